// Deflate and CRC-32 of an archive's entries, on worker threads: the files of a backup are
// packed independently of each other, so each core can take one while the archive is written.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pim {

// An entry's bytes as the archive stores them.
struct PackedBytes {
  std::string data;   // deflated, or the bytes as they are when deflate gains nothing
  uint64_t size = 0;  // of the bytes as they are
  uint32_t crc = 0;
  uint16_t method = 0;  // 0 stored, 8 deflated
  bool ok = true;       // false when zlib failed
};
// One deflate stream that serves every entry a thread packs: setting one up costs more than
// packing a small file. Each thread owns its own, never a thread_local: under mingw-w64 a
// thread_local's destructor runs after the thread's storage is freed, and wrote into freed
// memory as each packing thread ended.
class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  PackedBytes Pack(std::string bytes);

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
};

// Packs the bytes put on up to `threads` workers and hands them back in the order they were
// put. At most `window` wait at a time, so memory holds a few files whatever their number.
// Only one thread puts and takes.
class PackPool {
 public:
  PackPool(unsigned threads, size_t window);
  ~PackPool();  // a worker finishes what it packs; what waits is dropped
  PackPool(const PackPool&) = delete;
  PackPool& operator=(const PackPool&) = delete;

  bool full() const { return put_ - taken_ >= slots_.size(); }
  bool empty() const { return put_ == taken_; }
  // Not when full.
  void Put(std::string bytes);
  // The oldest bytes put, packed; not when empty.
  PackedBytes Take();

 private:
  struct Slot {
    std::string bytes;
    PackedBytes packed;
    bool done = false;
  };
  void Work();

  Deflater deflater_;        // the putting thread's, for what it packs itself
  std::vector<Slot> slots_;  // a ring: bytes number n sit in slot n % size
  // Workers take this many at a time: waking one for a small file costs as much as packing it.
  const size_t batch_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable work_, done_;
  // Changed under the lock; put_ and taken_ only by the putting thread, which may read them.
  uint64_t put_ = 0, claimed_ = 0, taken_ = 0;
  bool stop_ = false;
};

}  // namespace pim
