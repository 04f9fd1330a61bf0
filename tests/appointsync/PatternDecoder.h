#pragma once

// A reader of Outlook's appointment recurrence pattern for the tests, written from the published
// field layout alone: it shares nothing with the engine's writer or reader.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>

namespace patterndecoder {

struct Pattern {
    std::uint16_t readerVersion = 0, writerVersion = 0, recurFrequency = 0, patternType = 0, calendarType = 0;
    std::uint32_t firstDateTime = 0, period = 0, slidingFlag = 0;
    std::vector<std::uint32_t> patternTypeSpecific;  // 0, 1 or 2 words by pattern type
    std::uint32_t endType = 0, occurrenceCount = 0, firstDOW = 0;
    std::vector<std::uint32_t> deletedInstanceDates, modifiedInstanceDates;
    std::uint32_t startDate = 0, endDate = 0;
    // The appointment part.
    std::uint32_t readerVersion2 = 0, writerVersion2 = 0, startTimeOffset = 0, endTimeOffset = 0;
    std::uint16_t exceptionCount = 0;
    std::optional<std::uint32_t> reservedBlock1Size, reservedBlock2Size;  // read only without exceptions
    std::size_t consumed = 0;  // bytes read
};

// Nothing when the bytes end early or hold an unknown pattern type.
std::optional<Pattern> Decode(const QByteArray& bytes);

}  // namespace patterndecoder
