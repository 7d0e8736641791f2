#include "io/out_buffer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace tarvello {
namespace {

// Texts that do not fit what is left of the block, or the block itself, after
// bytes already pending: every byte arrives once, in order.
TEST(OutBuffer, KeepsWhatIsPendingBeforeALongText) {
  for (const std::size_t size : {byte_scan::kBlock - 2, byte_scan::kBlock, byte_scan::kBlock + 100}) {
    std::string text(size + byte_scan::kWidth, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char>('a' + i % 23);
    }
    TextSink sink;
    {
      OutBuffer out(sink);
      out.put("pending");
      out.put_padded(byte_scan::Padded::with_room_after(std::string_view(text).substr(0, size)));
      out.put("after");
    }
    EXPECT_EQ(sink.text, "pending" + text.substr(0, size) + "after") << size;
  }
}

// A number that does not fit what is left of the block goes after it, whole.
TEST(OutBuffer, AddsANumberAtTheEndOfTheBlock) {
  TextSink sink;
  {
    OutBuffer out(sink);
    out.put(std::string(byte_scan::kBlock - 5, 'a'));
    out.put_number(-2147483647 - 1);
    out.put("b");
  }
  EXPECT_EQ(sink.text, std::string(byte_scan::kBlock - 5, 'a') + "-2147483648b");
}

/// Fails its first write, then keeps what it is given.
class FailingOnceSink : public TextSink {
public:
  void write(std::string_view bytes) override {
    if (std::exchange(failed_, true)) {
      TextSink::write(bytes);
      return;
    }
    throw std::runtime_error("lost");
  }

private:
  bool failed_ = false;
};

// A block whose write failed is never offered again: the next flush, or the
// one as the buffer ends, writes only what came after it.
TEST(OutBuffer, DropsABlockWhoseWriteFailed) {
  FailingOnceSink sink;
  {
    OutBuffer out(sink);
    out.put("lost");
    EXPECT_THROW(out.flush(), std::runtime_error);
    out.put("kept");
  }
  EXPECT_EQ(sink.text, "kept");
}

} // namespace
} // namespace tarvello
