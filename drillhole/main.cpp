#include "drillhole/augerine.h"

int main(int argc, char** argv) { return augerine_main(argc, argv); }
