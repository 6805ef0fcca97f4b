/* The least any patcher can do: open, read the header, write the byte, close.
   No checks at all, so it is a floor to measure against, not a tool. */
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  (void)argc;
  char header[4];
  int fd = open(argv[1], O_RDWR);
  (void)read(fd, header, sizeof header);
  (void)pwrite(fd, "\x09", 1, 3);
  close(fd);
  return 0;
}
