#include "PatternDecoder.h"

namespace patterndecoder {
namespace {

class Reader {
public:
    explicit Reader(const QByteArray& b) : m_b(b) {}
    bool U16(std::uint16_t& v)
    {
        if (m_at + 2 > std::size_t(m_b.size()))
            return false;
        v = std::uint16_t(Byte(0) | (Byte(1) << 8));
        m_at += 2;
        return true;
    }
    bool U32(std::uint32_t& v)
    {
        if (m_at + 4 > std::size_t(m_b.size()))
            return false;
        v = std::uint32_t(Byte(0)) | (std::uint32_t(Byte(1)) << 8) | (std::uint32_t(Byte(2)) << 16) |
            (std::uint32_t(Byte(3)) << 24);
        m_at += 4;
        return true;
    }
    bool Words(std::uint32_t count, std::vector<std::uint32_t>& out)
    {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t v = 0;
            if (!U32(v))
                return false;
            out.push_back(v);
        }
        return true;
    }
    std::size_t At() const { return m_at; }

private:
    unsigned Byte(int i) const { return static_cast<unsigned char>(m_b[qsizetype(m_at) + i]); }
    const QByteArray& m_b;
    std::size_t m_at = 0;
};

}  // namespace

std::optional<Pattern> Decode(const QByteArray& bytes)
{
    Pattern p;
    Reader r(bytes);
    if (!r.U16(p.readerVersion) || !r.U16(p.writerVersion) || !r.U16(p.recurFrequency) || !r.U16(p.patternType) ||
        !r.U16(p.calendarType) || !r.U32(p.firstDateTime) || !r.U32(p.period) || !r.U32(p.slidingFlag))
        return std::nullopt;
    // Week: day bits; Month, MonthEnd and the Hijri month forms: day of month; MonthNth: day
    // bits and the week number.
    std::uint32_t words = 0;
    switch (p.patternType) {
    case 0x0000: words = 0; break;
    case 0x0001: case 0x0002: case 0x0003: case 0x000A: case 0x000B: words = 1; break;
    case 0x0004: case 0x000C: words = 2; break;
    default: return std::nullopt;
    }
    if (!r.Words(words, p.patternTypeSpecific))
        return std::nullopt;
    std::uint32_t deleted = 0, modified = 0;
    if (!r.U32(p.endType) || !r.U32(p.occurrenceCount) || !r.U32(p.firstDOW) || !r.U32(deleted) ||
        !r.Words(deleted, p.deletedInstanceDates) || !r.U32(modified) || !r.Words(modified, p.modifiedInstanceDates) ||
        !r.U32(p.startDate) || !r.U32(p.endDate))
        return std::nullopt;
    if (!r.U32(p.readerVersion2) || !r.U32(p.writerVersion2) || !r.U32(p.startTimeOffset) ||
        !r.U32(p.endTimeOffset) || !r.U16(p.exceptionCount))
        return std::nullopt;
    if (p.exceptionCount == 0) {
        std::uint32_t size1 = 0, size2 = 0;
        if (!r.U32(size1))
            return std::nullopt;
        std::vector<std::uint32_t> skip;
        if (size1 % 4 || !r.Words(size1 / 4, skip))
            return std::nullopt;
        if (!r.U32(size2))
            return std::nullopt;
        p.reservedBlock1Size = size1;
        p.reservedBlock2Size = size2;
    }
    p.consumed = r.At();
    return p;
}

}  // namespace patterndecoder
