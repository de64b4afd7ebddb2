// The empty program that each layer's library is linked into whole (see
// kesta_layer_links in CMakeLists.txt): only the link itself is the check.
int main() { return 0; }
