#include "app/client.h"

int main(int argc, char** argv) { return kesta::run_client(argc, argv); }
