#include "backup/zip_packer.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <system_error>

#include "backup/zip.h"

namespace pim {

namespace {

// Raw deflate of the whole input; false when zlib fails.
bool Deflate(z_stream& z, std::string_view in, std::string& out) {
  if (deflateReset(&z) != Z_OK) return false;
  out.resize(deflateBound(&z, static_cast<uLong>(std::min<size_t>(in.size(), 1u << 30))) + 64);
  size_t done = 0;
  int rc = Z_OK;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = 0;
  while (rc == Z_OK) {
    // zlib counts in 32 bits: a huge file goes in slices.
    if (z.avail_in == 0) {
      const size_t left =
          in.size() - static_cast<size_t>(z.next_in - reinterpret_cast<const Bytef*>(in.data()));
      z.avail_in = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    }
    if (out.size() - done < 1024) out.resize(out.size() * 2);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + done);
    z.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - done, 1u << 30));
    const uInt before = z.avail_out;
    const bool last =
        z.next_in + z.avail_in == reinterpret_cast<const Bytef*>(in.data() + in.size());
    rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
    done += before - z.avail_out;
    if (rc == Z_BUF_ERROR) rc = Z_OK;  // no progress possible without more room
  }
  out.resize(done);
  return rc == Z_STREAM_END;
}

}  // namespace

struct Deflater::Stream {
  z_stream z{};
  bool ok = false;
};

Deflater::Deflater() : stream_(std::make_unique<Stream>()) {
  stream_->ok = deflateInit2(&stream_->z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

Deflater::~Deflater() {
  if (stream_->ok) deflateEnd(&stream_->z);
}

PackedBytes Deflater::Pack(std::string bytes) {
  PackedBytes packed;
  packed.size = bytes.size();
  packed.crc = Crc32(bytes);
  if (!bytes.empty()) {
    packed.ok = stream_->ok && Deflate(stream_->z, bytes, packed.data);
    packed.method = 8;
  }
  if (packed.data.size() >= bytes.size()) {  // incompressible: stored as it is
    packed.data = std::move(bytes);
    packed.method = 0;
  }
  return packed;
}

PackPool::PackPool(unsigned threads, size_t window)
    : slots_(std::max<size_t>(window, 1)), batch_(std::min<size_t>(8, slots_.size())) {
  for (unsigned t = 0; t < threads; ++t) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers: Take packs what none has taken
    }
  }
}

PackPool::~PackPool() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void PackPool::Put(std::string bytes) {
  std::unique_lock lock(mutex_);
  Slot& slot = slots_[put_ % slots_.size()];
  slot.bytes = std::move(bytes);
  slot.done = false;
  ++put_;
  const bool batch = put_ - claimed_ >= batch_;
  lock.unlock();
  if (batch) work_.notify_one();
}

void PackPool::Work() {
  Deflater deflater;  // the worker's own, gone before the thread ends
  std::vector<PackedBytes> packed(batch_);
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || put_ - claimed_ >= batch_; });
    if (stop_) return;
    const uint64_t first = claimed_;
    claimed_ += batch_;
    lock.unlock();
    for (size_t i = 0; i < batch_; ++i)
      packed[i] = deflater.Pack(std::move(slots_[(first + i) % slots_.size()].bytes));
    lock.lock();
    for (size_t i = 0; i < batch_; ++i) {
      Slot& slot = slots_[(first + i) % slots_.size()];
      slot.packed = std::move(packed[i]);
      slot.done = true;
    }
    done_.notify_one();
  }
}

PackedBytes PackPool::Take() {
  std::unique_lock lock(mutex_);
  Slot& oldest = slots_[taken_ % slots_.size()];
  while (!oldest.done) {
    if (claimed_ == put_) {
      done_.wait(lock);
      continue;
    }
    // Bytes no worker has taken yet are packed here instead of waited for: the last few that
    // make no batch, and any while the cores are busy elsewhere and a worker does not run.
    Slot& slot = slots_[claimed_++ % slots_.size()];
    lock.unlock();
    PackedBytes packed = deflater_.Pack(std::move(slot.bytes));
    lock.lock();
    slot.packed = std::move(packed);
    slot.done = true;
  }
  oldest.done = false;
  ++taken_;
  return std::move(oldest.packed);
}

}  // namespace pim
