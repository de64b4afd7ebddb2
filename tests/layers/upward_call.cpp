// Base-layer code that calls the app layer's start-up, declared here because
// it could not include it: its library must fail the layer link check.
namespace kesta {

int run_client(int argc, char** argv);

int start_from_base() { return run_client(0, nullptr); }

}  // namespace kesta
