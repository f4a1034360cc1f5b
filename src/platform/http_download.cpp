#include "platform/http_download.h"

#include "platform/files.h"
#include "platform/url_reader.h"

#include <algorithm>
#include <array>
#include <deque>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The stall rule of DownloadLimits over the pieces that arrived, and its
// bound of the whole download's time. Pieces are
// counted in slots of a sixtieth of the window, so that a fast download keeps
// a few dozen entries, not one per piece.
class StallWatch {
public:
    StallWatch(const DownloadLimits& limits, Clock::time_point start)
        : limits_(limits)
        , start_(start)
        , lastData_(start)
        , slot_(std::max<Clock::duration>(limits.rateWindow / 60, Clock::duration(1)))
    {
    }

    void received(Clock::time_point now, std::size_t count)
    {
        total_ += count;
        lastData_ = now;
        if (!slots_.empty() && now - slots_.back().start < slot_)
            slots_.back().totalAfter = total_;
        else
            slots_.push_back({now, total_});
    }

    bool stalled(Clock::time_point now)
    {
        if (now - lastData_ >= limits_.longestSilence || now - start_ >= limits_.longestDownload)
            return true;
        if (now - start_ < limits_.rateWindow)
            return false;
        // Bytes of the last window: all so far, less what had come before it.
        const Clock::time_point windowStart = now - limits_.rateWindow;
        while (!slots_.empty() && slots_.front().start <= windowStart) {
            before_ = slots_.front().totalAfter;
            slots_.pop_front();
        }
        const auto windowMs = std::chrono::duration_cast<std::chrono::milliseconds>(limits_.rateWindow).count();
        return (total_ - before_) * 1000 < limits_.slowestRate * static_cast<std::uint64_t>(windowMs);
    }

private:
    struct Slot {
        Clock::time_point start;
        std::uint64_t totalAfter;
    };
    DownloadLimits limits_;
    Clock::time_point start_;
    Clock::time_point lastData_;
    Clock::duration slot_;
    std::deque<Slot> slots_;
    std::uint64_t total_ = 0;
    std::uint64_t before_ = 0; // bytes that came before the oldest slot kept
};

// How long a read may wait for data before the stall rule and a cancel are
// looked at again.
std::chrono::milliseconds readWait(const DownloadLimits& limits)
{
    using std::chrono::milliseconds;
    return std::clamp(std::min(limits.longestSilence, limits.rateWindow) / 4, milliseconds(10), milliseconds(250));
}

} // namespace

// Checked before the piece that would make `received` is written: an
// announced length above the limit is refused before its first byte.
bool Download::tooLong(std::uint64_t received, long long announced) const
{
    return received > limits_.largestBody || (announced >= 0 && static_cast<std::uint64_t>(announced) > limits_.largestBody);
}

// Makes the reader reachable for cancel() while run() reads from it.
class Download::ActiveReader {
public:
    ActiveReader(Download& download, detail::UrlReader& reader)
        : download_(download)
    {
        const std::lock_guard lock(download_.readerMutex_);
        download_.reader_ = &reader;
    }
    ~ActiveReader()
    {
        const std::lock_guard lock(download_.readerMutex_);
        download_.reader_ = nullptr;
    }
    ActiveReader(const ActiveReader&) = delete;
    ActiveReader& operator=(const ActiveReader&) = delete;

private:
    Download& download_;
};

Download::Download(std::string url, std::string target, DownloadLimits limits)
    : url_(std::move(url))
    , target_(std::move(target))
    , limits_(limits)
{
}

Download::~Download() = default;

void Download::cancel()
{
    const std::lock_guard lock(readerMutex_);
    cancelled_ = true;
    if (reader_)
        reader_->abort();
}

DownloadResult Download::run(const DownloadProgress& progress)
{
    detail::UrlReader body(executableFileName(), limits_.longestSilence);
    const ActiveReader active(*this, body);
    if (cancelled_)
        return DownloadResult::Cancelled;
    StallWatch watch(limits_, Clock::now());
    body.open(url_);
    FileWriter file(target_);
    std::array<char, kDownloadReadSize> buffer;
    const auto wait = readWait(limits_);

    std::uint64_t received = 0;
    for (;;) {
        const std::size_t count = body.read(buffer.data(), buffer.size(), wait);
        if (cancelled_) {
            file.close();
            return DownloadResult::Cancelled;
        }
        if (count > 0) {
            if (tooLong(received + count, body.announcedLength())) {
                body.abort();
                file.close();
                return DownloadResult::Failed;
            }
            file.write(buffer.data(), count);
            received += count;
            watch.received(Clock::now(), count);
            if (progress)
                progress(received, body.announcedLength());
        } else if (body.ended()) {
            break;
        }
        if (watch.stalled(Clock::now())) {
            body.abort();
            file.close();
            return DownloadResult::Failed;
        }
    }
    file.close();
    const long long announced = body.announcedLength();
    const bool whole = received > 0 && body.completed()
        && (announced < 0 || received == static_cast<std::uint64_t>(announced));
    return whole ? DownloadResult::Complete : DownloadResult::Failed;
}

bool DownloadFile(const std::string& url, const std::string& target)
{
    return Download(url, target).run() == DownloadResult::Complete;
}

} // namespace platform
