// Runs the command in its arguments with a non-blocking standard input and
// output, as some parent processes hand them out. POSIX only: built by the tests.
#include <fcntl.h>
#include <unistd.h>

#include <initializer_list>

int main(int argc, char **argv) {
  for (const int fd : {0, 1}) {
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
      return 127;
    }
  }
  if (argc < 2) {
    return 127;
  }
  execvp(argv[1], argv + 1);
  return 127;
}
