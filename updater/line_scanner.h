// The settings file's lines, exactly as the C runtime's text mode and a
// 200-byte fgets buffer would hand them over, but read through a ByteSource
// so that the host tests and Windows see the same lines from the same bytes.
#ifndef QUILLET_UPDATER_LINE_SCANNER_H_
#define QUILLET_UPDATER_LINE_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "byte_source.h"

// One line buffer: a line yields at most 199 characters and its NUL.
constexpr int kLineBufferSize = 200;

class LineScanner {
 public:
  explicit LineScanner(ByteSource& file) : file_(file) {}

  // Fills `line` with the next piece: up to and including the next line
  // feed, or 199 characters, whichever comes first, then cuts it at its
  // first NUL and drops one trailing line feed. CR LF arrives as LF; a CR
  // before anything else stays a CR; a Ctrl+Z byte ends the file. False
  // when nothing is left.
  bool Next(char (&line)[kLineBufferSize]);

  // False when the last piece was cut at 199 characters and the text goes
  // on, so the next piece carries on the same line of the file.
  bool PieceEndedLine() const { return pieceEndedLine_; }

 private:
  // The next byte of the text as text mode translates it; -1 at the end.
  int NextChar();
  // The next raw byte of the file without taking it; -1 at the end.
  int PeekByte();

  ByteSource& file_;
  uint64_t offset_ = 0;  // file offset of chunk_[0]
  unsigned char chunk_[512];
  size_t chunkLength_ = 0;
  size_t at_ = 0;       // next unread byte of chunk_
  bool ended_ = false;  // a Ctrl+Z or the file's end was met
  bool pieceEndedLine_ = true;
};

#endif  // QUILLET_UPDATER_LINE_SCANNER_H_
