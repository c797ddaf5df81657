#include "converter/kelvane_main.h"

int main(int argc, char** argv) { return kelvane::kelvane_main(argc, argv); }
