#include "driver/progress.h"

#include <algorithm>

namespace tarvello {

ProgressLine::ProgressLine() : begin_(kDigitsEnd - 1 - kHead.size()) {
  std::copy(kHead.begin(), kHead.end(), text_.begin() + static_cast<std::ptrdiff_t>(begin_));
  text_[kDigitsEnd - 1] = '0';
  std::copy(kTail.begin(), kTail.end(), text_.begin() + kDigitsEnd);
}

void ProgressLine::next() {
  std::size_t i = kDigitsEnd - 1;
  while (text_[i] == '9') {
    text_[i--] = '0';
  }
  if (text_[i] == ' ') { // every digit was a 9: the number grows by one digit
    text_[i] = '1';
    --begin_;
    std::copy(kHead.begin(), kHead.end(), text_.begin() + static_cast<std::ptrdiff_t>(begin_));
  } else {
    ++text_[i];
  }
}

byte_scan::Padded ProgressLine::text() const {
  return byte_scan::Padded::with_room_after({text_.data() + begin_, kDigitsEnd + kTail.size() - begin_});
}

} // namespace tarvello
