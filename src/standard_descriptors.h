#ifndef KESTRABIN_STANDARD_DESCRIPTORS_H_
#define KESTRABIN_STANDARD_DESCRIPTORS_H_

// A run may start with standard input, output or error closed, and then a
// descriptor it opens takes one of their numbers: console text would be
// written into a file, or a child's standard streams would replace a pipe.
// Returns `fd` itself when it is 3 or above (or negative), else a close-on-exec
// copy at 3 or above, closing `fd`; -1 with errno set when no copy can be made.
int above_standard_descriptors(int fd);

#endif  // KESTRABIN_STANDARD_DESCRIPTORS_H_
