// fxsim: runs scenario files against a plug-in library, as the host would load and call it.
extern "C" int fxSimMain(int argc, char** argv);

int main(int argc, char** argv) { return fxSimMain(argc, argv); }
