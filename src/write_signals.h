#ifndef KESTRABIN_WRITE_SIGNALS_H_
#define KESTRABIN_WRITE_SIGNALS_H_

// Makes the signals that a write can raise fail that write instead of ending
// the run: a reader that closed the console's pipe (SIGPIPE) loses the text,
// and a file-size limit (SIGXFSZ) fails the write to the file, which the run
// reports as its outcome. Either way the run ends with its own status.
// Each platform has its own implementation file, chosen by the build.
void ignore_write_signals();

#endif  // KESTRABIN_WRITE_SIGNALS_H_
