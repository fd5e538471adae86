#include "export/TrackWriter.h"

#include "export/AtomicFile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

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

// Writes the selected fixes of one part, opened and closed only when it writes a record.
bool WritePart(ChunkSink& sink, const TrackLayout& layout, const RecordStyle& style,
               const RecordPlan& plan, RecordPart part, const FixFilter& selected,
               std::size_t& records)
{
    bool open = false;
    for (std::size_t position = part.Begin; position < part.End; ++position) {
        const std::size_t index =
            plan.Order.empty() ? position : static_cast<std::size_t>(plan.Order[position]);
        const TGpsFix& fix = plan.Fixes[index];
        if (!selected(fix))
            continue;
        if (!open && !sink.Append(layout.PartOpen))
            return false;
        open = true;
        if (!sink.Reserve(layout.MaxRecordLength))
            return false;
        char* const start = sink.Cursor();
        const char* end = layout.Format(fix, style, start);
        records += end != start ? 1 : 0;
        sink.Advance(end);
    }
    return !open || sink.Append(layout.PartClose);
}

} // namespace

ExportResult WriteTrack(const std::string& target, const TrackLayout& layout,
                        const RecordStyle& style, const RecordPlan& plan, const FixFilter& selected)
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

    ChunkSink sink(file);
    std::size_t records = 0;
    if (!sink.Append(layout.Header))
        return fail();
    for (const RecordPart& part : plan.Parts)
        if (!WritePart(sink, layout, style, plan, part, selected, records))
            return fail();
    if (!sink.Append(layout.Footer) || !sink.Flush() || !file.Commit())
        return fail();
    result.FixesWritten = records;
    result.LinesWritten = records * layout.LinesPerRecord;
    return result;
}
