// Entry point: the program on the console.
#include "kestran.h"

int main(int argc, char** argv) { return kestran::consoleMain(argc, argv); }
