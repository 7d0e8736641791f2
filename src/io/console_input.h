#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tarvello {

/// Where the answers come from: bytes taken one at a time, so what one answer
/// leaves unread stays for the next.
class ConsoleInput {
public:
  ConsoleInput() = default;
  ConsoleInput(const ConsoleInput &) = delete;
  ConsoleInput &operator=(const ConsoleInput &) = delete;
  virtual ~ConsoleInput() = default;

  /// The next byte, or -1 at the end of the input. Throws Fatal when a read fails.
  int peek();
  int get();
  /// What has been read and not yet taken: never waits for more.
  std::string_view buffered() const { return {buffer_.data() + begin_, end_ - begin_}; }

protected:
  /// Reads more bytes; 0 at the end. Throws Fatal when the read fails.
  virtual std::size_t read_more(char *data, std::size_t size) = 0;

private:
  std::array<char, 512> buffer_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
  bool started_ = false; ///< whether the first bytes have arrived
};

/// Standard input, or another descriptor, read through the platform.
class DescriptorInput : public ConsoleInput {
public:
  explicit DescriptorInput(int fd) : fd_(fd) {}

protected:
  std::size_t read_more(char *data, std::size_t size) override;

private:
  int fd_;
};

/// Answers held in memory, for tests and the fuzzer.
class TextInput : public ConsoleInput {
public:
  explicit TextInput(std::string_view text) : text_(text) {}

protected:
  std::size_t read_more(char *data, std::size_t size) override;

private:
  std::string_view text_;
};

} // namespace tarvello
