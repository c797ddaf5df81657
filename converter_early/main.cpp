#include "converter_early/torrin.h"

int main(int argc, char** argv) { return torrin::torrin_main(argc, argv); }
