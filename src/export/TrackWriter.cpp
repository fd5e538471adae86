#include "export/TrackWriter.h"

#include "system/AtomicFile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// Records are collected in chunks of this size and written chunk by chunk.
constexpr std::size_t kChunkSize = 1 << 20;

// The chunk being filled and the file it goes to.
class ChunkSink
{
  public:
    explicit ChunkSink(AtomicFile& file) : m_file(file), m_chunk(new char[kChunkSize]) {}

    // Makes room for `n` (at most kChunkSize) bytes at Cursor().
    [[nodiscard]] bool Reserve(std::size_t n) { return kChunkSize - m_used >= n || Flush(); }
    [[nodiscard]] char* Cursor() const { return m_chunk.get() + m_used; }
    void Advance(const char* end) { m_used = static_cast<std::size_t>(end - m_chunk.get()); }

    // Text of any length.
    [[nodiscard]] bool Append(std::string_view text)
    {
        while (!text.empty()) {
            if (m_used == kChunkSize && !Flush())
                return false;
            const std::size_t n = std::min(text.size(), kChunkSize - m_used);
            std::memcpy(Cursor(), text.data(), n);
            m_used += n;
            text.remove_prefix(n);
        }
        return true;
    }

    [[nodiscard]] bool Flush()
    {
        const bool written = m_file.Write(m_chunk.get(), m_used);
        m_used = 0;
        return written;
    }

  private:
    AtomicFile& m_file;
    std::unique_ptr<char[]> m_chunk;
    std::size_t m_used = 0;
};

// Plan positions [Begin, End) of part Part; Last marks the part's last batch.
struct Batch {
    std::size_t Part = 0;
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool Last = false;
};

std::vector<Batch> MakeBatches(const RecordPlan& plan, std::size_t positions)
{
    std::vector<Batch> batches;
    for (std::size_t part = 0; part < plan.Parts.size(); ++part) {
        const RecordPart& range = plan.Parts[part];
        std::size_t begin = range.Begin;
        do {
            const std::size_t end = std::min(range.End, begin + positions);
            batches.push_back({part, begin, end, end >= range.End});
            begin = end;
        } while (begin < range.End);
    }
    return batches;
}

// What formatting one batch gave: its bytes, the fixes selected and the records written.
struct Formatted {
    std::size_t Bytes = 0;
    std::size_t Selected = 0;
    std::size_t Records = 0;
};

// Formats the selected fixes of a batch at `out`; a pure function of its arguments, so batches
// are formatted on any thread.
Formatted FormatBatch(const TrackLayout& layout, const RecordStyle& style, const RecordPlan& plan,
                      const FixFilter& selected, const Batch& batch, char* out)
{
    Formatted formatted;
    const RecordPart& part = plan.Parts[batch.Part];
    const RecordFormatter format = part.Pass == 0 ? layout.Format : layout.SecondFormat;
    RecordStyle partStyle = style;
    partStyle.Trip = part.Number;
    char* p = out;
    for (std::size_t position = batch.Begin; position < batch.End; ++position) {
        const std::size_t index =
            plan.Order.empty() ? position : static_cast<std::size_t>(plan.Order[position]);
        const TGpsFix& fix = plan.Fixes[index];
        if (!selected(fix))
            continue;
        ++formatted.Selected;
        char* const end = format(fix, partStyle, p);
        formatted.Records += end != p ? 1 : 0;
        p = end;
    }
    formatted.Bytes = static_cast<std::size_t>(p - out);
    return formatted;
}

// Writes formatted batches in order with the layout's texts around them: a part is opened before
// its first selected fix and closed after its last batch, only when it selected any.
class Stitcher
{
  public:
    Stitcher(AtomicFile& file, const TrackLayout& layout, std::span<const RecordPart> parts)
        : m_file(file), m_sink(file), m_layout(layout), m_parts(parts)
    {
    }

    [[nodiscard]] bool Begin() { return m_sink.Append(m_layout.Header); }
    [[nodiscard]] bool Write(const Batch& batch, const Formatted& formatted, const char* bytes)
    {
        const RecordPart& part = m_parts[batch.Part];
        if (formatted.Selected > 0 && !m_open && !Open(part))
            return false;
        if (part.Pass == 0)
            m_records += formatted.Records;
        // The batch goes to the file as it stands, after the texts before it; the first record of
        // a part without its leading separator.
        const std::size_t skip = m_layout.LeadingSeparator && !m_recordWritten ? 1 : 0;
        if (formatted.Bytes > skip &&
            (!m_sink.Flush() || !m_file.Write(bytes + skip, formatted.Bytes - skip)))
            return false;
        m_recordWritten = m_recordWritten || formatted.Bytes > 0;
        if (batch.Last && m_open) {
            m_open = false;
            return m_sink.Append(part.Close) && m_sink.Append(m_layout.PartClose);
        }
        return true;
    }
    [[nodiscard]] bool End() { return m_sink.Append(m_layout.Footer) && m_sink.Flush(); }
    [[nodiscard]] std::size_t Records() const { return m_records; }

  private:
    [[nodiscard]] bool Open(const RecordPart& part)
    {
        if (part.Pass == 0 && m_partsOpened > 0 && !m_sink.Append(m_layout.PartSeparator))
            return false;
        m_partsOpened += part.Pass == 0 ? 1 : 0;
        m_open = true;
        m_recordWritten = false;
        return m_sink.Append(m_layout.PartOpen) && m_sink.Append(part.Open);
    }

    AtomicFile& m_file;
    ChunkSink m_sink;
    const TrackLayout& m_layout;
    std::span<const RecordPart> m_parts;
    bool m_open = false;
    bool m_recordWritten = false; // in the open part
    std::size_t m_partsOpened = 0;
    std::size_t m_records = 0;
};

// Batches formatted by worker threads into a ring of buffers, handed to the writer in order. A
// worker formats batch i only once the writer has taken batch i - kSlots, so memory stays at
// kSlots buffers however long the output.
class BatchRing
{
  public:
    static constexpr std::size_t kSlots = 4;

    BatchRing(std::size_t batches, std::size_t bufferBytes) : m_batches(batches)
    {
        for (Slot& slot : m_slots)
            slot.Buffer.reset(new char[bufferBytes]);
    }

    // The next batch a worker is to format, with its buffer; nothing when all are taken or the
    // writer gave up.
    std::optional<std::pair<std::size_t, char*>> Take()
    {
        const std::size_t i = m_next.fetch_add(1);
        if (i >= m_batches)
            return std::nullopt;
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || i < m_written + kSlots; });
        if (m_stopped)
            return std::nullopt;
        return std::pair{i, m_slots[i % kSlots].Buffer.get()};
    }
    void Done(std::size_t i, const Formatted& formatted)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_slots[i % kSlots].Ready = i;
            m_slots[i % kSlots].Result = formatted;
        }
        m_changed.notify_all();
    }
    // Waits for batch i; its bytes stay valid until Written(i).
    std::pair<const char*, Formatted> Wait(std::size_t i)
    {
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[i % kSlots];
        m_changed.wait(lock, [&] { return slot.Ready == i; });
        return {slot.Buffer.get(), slot.Result};
    }
    void Written(std::size_t i)
    {
        Update([&] { m_written = i + 1; });
    }
    void Stop()
    {
        Update([&] { m_stopped = true; });
    }

  private:
    struct Slot {
        std::unique_ptr<char[]> Buffer;
        std::size_t Ready = static_cast<std::size_t>(-1);
        Formatted Result;
    };
    template <typename Change> void Update(Change change)
    {
        {
            const std::lock_guard lock(m_mutex);
            change();
        }
        m_changed.notify_all();
    }

    const std::size_t m_batches;
    std::array<Slot, kSlots> m_slots;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_written = 0;
    bool m_stopped = false;
};

struct Job {
    const TrackLayout& Layout;
    const RecordStyle& Style;
    const RecordPlan& Plan;
    const FixFilter& Selected;
    std::vector<Batch> Batches;
};

// Formats and writes every batch on the calling thread.
bool WriteInline(Stitcher& stitcher, const Job& job, std::size_t bufferBytes)
{
    const std::unique_ptr<char[]> buffer(new char[bufferBytes]);
    for (const Batch& batch : job.Batches) {
        const Formatted formatted =
            FormatBatch(job.Layout, job.Style, job.Plan, job.Selected, batch, buffer.get());
        if (!stitcher.Write(batch, formatted, buffer.get()))
            return false;
    }
    return true;
}

// Workers format, the calling thread writes the batches in order.
bool WriteThreaded(Stitcher& stitcher, const Job& job, std::size_t bufferBytes, unsigned workers)
{
    BatchRing ring(job.Batches.size(), bufferBytes);
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w)
        threads.emplace_back([&] {
            while (const auto taken = ring.Take())
                ring.Done(taken->first, FormatBatch(job.Layout, job.Style, job.Plan, job.Selected,
                                                    job.Batches[taken->first], taken->second));
        });
    bool ok = true;
    for (std::size_t i = 0; ok && i < job.Batches.size(); ++i) {
        const auto [bytes, formatted] = ring.Wait(i);
        ok = stitcher.Write(job.Batches[i], formatted, bytes);
        ring.Written(i);
    }
    ring.Stop();
    for (std::thread& thread : threads)
        thread.join();
    return ok;
}

} // namespace

std::vector<RecordPart> LayoutParts(const TrackLayout& layout, std::span<const RecordPart> trips,
                                    std::span<const PartSummary> summaries)
{
    std::vector<RecordPart> parts;
    parts.reserve(trips.size() * layout.Passes);
    for (std::size_t i = 0; i < trips.size(); ++i) {
        const PartTexts texts =
            layout.Describe != nullptr ? layout.Describe(summaries[i]) : PartTexts{};
        for (std::size_t pass = 0; pass < layout.Passes; ++pass)
            parts.push_back({trips[i].Begin, trips[i].End, trips[i].Number, pass, texts.Open[pass],
                             texts.Close[pass]});
    }
    return parts;
}

ExportResult WriteTrack(const std::string& target, const TrackLayout& layout,
                        const RecordStyle& style, const RecordPlan& plan, const FixFilter& selected,
                        const WriteThreads& threads)
{
    ExportResult result;
    AtomicFile file(target);
    auto fail = [&] {
        result.Status = file.FailedStage() == AtomicFile::Stage::Create ? ExportStatus::CreateFailed
                                                                        : ExportStatus::WriteFailed;
        result.Errno = file.Errno();
        result.FixesWritten = 0;
        return result;
    };
    if (!file.Open())
        return fail();

    const std::size_t positions = std::max<std::size_t>(threads.BatchPositions, 1);
    const Job job{layout, style, plan, selected, MakeBatches(plan, positions)};
    const std::size_t bufferBytes = positions * layout.MaxRecordLength;
    Stitcher stitcher(file, layout, plan.Parts);
    if (!stitcher.Begin())
        return fail();
    // A short output is not worth the threads.
    const bool written = threads.Workers == 0 || job.Batches.size() < 2
                             ? WriteInline(stitcher, job, bufferBytes)
                             : WriteThreaded(stitcher, job, bufferBytes, threads.Workers);
    if (!written || !stitcher.End() || !file.Commit())
        return fail();
    result.FixesWritten = stitcher.Records();
    result.LinesWritten = stitcher.Records() * layout.LinesPerRecord;
    return result;
}
