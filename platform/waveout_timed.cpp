// The silent wave outputs: blocks complete at their real duration (scaled by
// ZELNAR_TIME_SCALE, like every fixed wait), on a worker thread. The wav
// variant also appends what was played to one WAV file, 16-bit mono
// 22,050 Hz, converted with libsoxr; the silence between two sounds is kept
// (with ZELNAR_TIME_SCALE 0, the fixed waits skipped between them),
// and a reset keeps only the part of the block that had been heard.
#include <soxr.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/waveout.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kFileRate = 22050;
constexpr double kLongestGap = 10.0;  // seconds of silence kept at most

struct Item {
  WaveHeader* header;
  WaveFormat format;
  Clock::time_point start, end;
};

class WavSink {
 public:
  bool Open(const std::string& path) {
    if (file_) return true;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    // A new file starts empty, with no pause carried over from the last one.
    dataBytes_ = 0;
    haveEnd_ = false;
    WriteHeader();
    return true;
  }
  // Appends the first `bytes` bytes of the block, starting at `start`.
  void Append(const Item& it, uint32_t bytes, Clock::time_point wallStart) {
    if (!file_) return;
    if (haveEnd_) {
      // Without a time scale nothing waits, and the pauses are the waits skipped.
      double scale = TimeScale();
      double gap = scale > 0 ? std::chrono::duration<double>(wallStart - wallEnd_).count() / scale
                             : static_cast<double>(SkippedMs() - skippedAtEnd_) / 1000.0;
      if (gap > 0) Silence(std::min(gap, kLongestGap));
    }
    int frame = it.format.channels * it.format.bits / 8;
    size_t frames = bytes / static_cast<uint32_t>(frame);
    std::vector<float> in(frames);
    const uint8_t* p = it.header->data;
    for (size_t i = 0; i < frames; ++i) {
      float sum = 0;
      for (int c = 0; c < it.format.channels; ++c) {
        if (it.format.bits == 8) {
          sum += (static_cast<float>(*p) - 128.0f) / 128.0f;
          p += 1;
        } else {
          sum += static_cast<float>(static_cast<int16_t>(p[0] | (p[1] << 8))) / 32768.0f;
          p += 2;
        }
      }
      in[i] = sum / static_cast<float>(it.format.channels);
    }
    if (frames > 0) {
      size_t outCap = frames * kFileRate / static_cast<size_t>(it.format.sampleRate) + 64;
      std::vector<int16_t> out(outCap);
      size_t done = 0;
      soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
      soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
      soxr_error_t e = soxr_oneshot(it.format.sampleRate, kFileRate, 1, in.data(), frames, nullptr,
                                    out.data(), outCap, &done, &io, &q, nullptr);
      if (!e) Samples(out.data(), done);
    }
    wallEnd_ = wallStart + (it.end - it.start) * bytes / std::max<uint32_t>(it.header->length, 1);
    skippedAtEnd_ = SkippedMs();
    haveEnd_ = true;
  }
  void Finish() {
    if (file_) {
      std::fclose(file_);
      file_ = nullptr;
    }
  }

 private:
  void Silence(double seconds) {
    std::vector<int16_t> zero(static_cast<size_t>(seconds * kFileRate));
    Samples(zero.data(), zero.size());
  }
  void Samples(const int16_t* s, size_t n) {
    std::fseek(file_, 0, SEEK_END);
    for (size_t i = 0; i < n; ++i) {
      uint8_t b[2] = {static_cast<uint8_t>(s[i]), static_cast<uint8_t>(static_cast<uint16_t>(s[i]) >> 8)};
      std::fwrite(b, 1, 2, file_);
    }
    dataBytes_ += static_cast<uint32_t>(n * 2);
    WriteHeader();  // the file is whole at any moment, even after an abrupt end
  }
  void WriteHeader() {
    auto put32 = [](uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i)); };
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                     0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    put32(h + 4, dataBytes_ + 36);
    put32(h + 24, kFileRate);
    put32(h + 28, kFileRate * 2);
    put32(h + 40, dataBytes_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(h, 1, 44, file_);
    std::fflush(file_);
  }
  std::FILE* file_ = nullptr;
  uint32_t dataBytes_ = 0;
  Clock::time_point wallEnd_;
  int64_t skippedAtEnd_ = 0;
  bool haveEnd_ = false;
};

class Timed {
 public:
  ~Timed() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    cv_.notify_all();
    if (worker_.joinable()) worker_.join();
    sink_.Finish();
  }
  void UseFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_);
    path_ = path;
  }
  int Open(const WaveFormat& f, WaveNotify notify) {
    std::lock_guard<std::mutex> lock(m_);
    if (!path_.empty() && !sink_.Open(path_)) path_.clear();  // unwritable: just silent
    format_ = f;
    notify_ = notify;
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    return kWaveOk;
  }
  void Write(WaveHeader* h) {
    std::lock_guard<std::mutex> lock(m_);
    Clock::time_point now = Clock::now();
    Clock::time_point start = std::max(now, lastEnd_);
    double bytesPerSecond = double(format_.sampleRate) * format_.channels * (format_.bits / 8);  // no overflow
    double seconds = static_cast<double>(h->length) / bytesPerSecond * TimeScale();
    Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    queue_.push_back(Item{h, format_, start, end});
    lastEnd_ = end;
    cv_.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(m_);
    Clock::time_point now = Clock::now();
    for (const Item& it : queue_) {
      if (!path_.empty() && now > it.start) {
        double part = std::chrono::duration<double>(now - it.start) / (it.end - it.start);
        int frame = it.format.channels * it.format.bits / 8;
        uint32_t bytes = static_cast<uint32_t>(part * it.header->length) / static_cast<uint32_t>(frame) * static_cast<uint32_t>(frame);
        sink_.Append(it, std::min(bytes, it.header->length), it.start);
      }
      Done(it.header);
    }
    queue_.clear();
    lastEnd_ = now;
  }
  void Finish() {
    std::lock_guard<std::mutex> lock(m_);
    sink_.Finish();
    path_.clear();
  }

 private:
  void Done(WaveHeader* h) {
    h->flags |= kWaveHeaderDone;
    notify_(kMsgWaveDone, 0, reinterpret_cast<intptr_t>(h));
  }
  void Run() {
    std::unique_lock<std::mutex> lock(m_);
    while (!stop_) {
      if (queue_.empty()) {
        cv_.wait(lock);
        continue;
      }
      Clock::time_point end = queue_.front().end;
      if (Clock::now() < end) {
        cv_.wait_until(lock, end);
        continue;
      }
      Item it = queue_.front();
      queue_.pop_front();
      if (!path_.empty()) sink_.Append(it, it.header->length, it.start);
      Done(it.header);  // under the lock: a reset cannot overtake it
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::thread worker_;
  std::deque<Item> queue_;
  bool stop_ = false;
  WaveFormat format_;
  WaveNotify notify_ = nullptr;
  Clock::time_point lastEnd_;
  std::string path_;
  WavSink sink_;
};

Timed& Device() {
  static Timed t;
  return t;
}

int Open(const WaveFormat& f, WaveNotify n) { return Device().Open(f, n); }
void Write(WaveHeader* h) { Device().Write(h); }
void Reset() { Device().Reset(); }
void Close() { Device().Reset(); }

const WaveBackend kNull{"null", Open, Write, Reset, Close};
const WaveBackend kWav{"wav", Open, Write, Reset, Close};
}  // namespace

const WaveBackend& NullWaveBackend() { return kNull; }

const WaveBackend& WavFileWaveBackend(const std::string& path) {
  Device().UseFile(path);
  return kWav;
}

void FinishWavFile() { Device().Finish(); }
