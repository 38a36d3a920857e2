#include "line_scanner.h"

#include <cstring>

namespace {

constexpr int kEndOfFile = 0x1A;  // Ctrl+Z: where text mode stops reading

}  // namespace

int LineScanner::PeekByte() {
  if (at_ == chunkLength_) {
    if (ended_) return -1;
    offset_ += chunkLength_;
    chunkLength_ = file_.ReadAt(offset_, chunk_, sizeof chunk_);
    at_ = 0;
    if (chunkLength_ == 0) {
      ended_ = true;
      return -1;
    }
  }
  return chunk_[at_];
}

int LineScanner::NextChar() {
  int c = PeekByte();
  if (c < 0) return -1;
  if (c == kEndOfFile) {
    // Nothing after it is ever read, however often we are asked.
    ended_ = true;
    chunkLength_ = at_;
    return -1;
  }
  ++at_;
  // The pair is joined across chunk and line-buffer boundaries alike: the
  // runtime translates the stream before fgets cuts it into pieces.
  if (c == '\r' && PeekByte() == '\n') {
    ++at_;
    return '\n';
  }
  return c;
}

bool LineScanner::Next(char (&line)[kLineBufferSize]) {
  int length = 0;
  pieceEndedLine_ = false;
  while (length < kLineBufferSize - 1) {
    int c = NextChar();
    if (c < 0) {
      pieceEndedLine_ = true;
      break;
    }
    line[length++] = static_cast<char>(c);
    if (c == '\n') {
      pieceEndedLine_ = true;
      break;
    }
  }
  if (length == 0) return false;
  // A piece that fills the buffer just where the text ends is its line's
  // last: the next read finds nothing to carry on.
  if (!pieceEndedLine_) {
    int next = PeekByte();
    pieceEndedLine_ = next < 0 || next == kEndOfFile;
  }
  line[length] = '\0';
  // A NUL read from the file ends the text as every string function sees it.
  size_t visible = std::strlen(line);
  if (visible > 0 && line[visible - 1] == '\n') line[visible - 1] = '\0';
  return true;
}
