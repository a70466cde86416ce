// Entry point: the program on the console.
#include "kestran.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // The work arrays of a long study (a hydrograph of twelve years is 400 KiB)
  // come and go command after command. A fixed threshold keeps each of them
  // in its own mapping, given back to the system when it is freed; the C
  // library's default raises the threshold after the first such free and then
  // keeps them in the heap, where the peak memory of the run keeps growing.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
  return kestran::consoleMain(argc, argv);
}
