// Runs the command in its arguments with a non-blocking standard output, as
// some parent processes hand it out. POSIX only: built by the tests.
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv) {
  if (argc < 2 || fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK) != 0) {
    return 127;
  }
  execvp(argv[1], argv + 1);
  return 127;
}
