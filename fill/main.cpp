#include "fill/brimlet.h"

int main(int argc, char** argv) { return brimlet_main(argc, argv); }
