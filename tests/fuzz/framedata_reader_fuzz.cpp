// The frame data reader on any bytes. It reads them or refuses them with a
// place, never crashes, and gives the same answer whether the log is read in
// one piece or through a small window moving over it; what it accepts is
// written out with finite numbers only.
#include "frame_data_reader.h"
#include "frame_data_writers.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool sameError(const FrameDataError& a, const FrameDataError& b) {
    return a.line == b.line && a.column == b.column && a.entry == b.entry && a.message == b.message;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FrameData whole;
    FrameDataError wholeError;
    const bool read = parseFrameData(text, whole, wholeError);

    // The smallest window the reader allows, so that entries and numbers
    // straddle its moves.
    std::istringstream stream{std::string(text)};
    FrameDataScan scan;
    FrameDataError streamError;
    const bool streamed = scanFrameDataStream(stream, nullptr, scan, streamError, allEntries, 256);
    require(read == streamed);
    if (!read) {
        require(sameError(wholeError, streamError));
        require(!wholeError.message.empty());
        return 0;
    }
    require(scan.entries == whole.entries.size() && scan.entries > 0);
    require(scan.replayEntries == whole.replayEntryCount());
    require(scan.maxCarCount == whole.maxCarCount());
    require(scan.cutOff.has_value() == whole.cutOff.has_value());
    if (scan.cutOff)
        require(sameError(*scan.cutOff, *whole.cutOff) && scan.cutOff->entry == scan.entries + 1);

    std::ostringstream out;
    writeFrameDataJson(out, whole, {}, "fuzz.txt");
    writeCameraChan(out, whole, {});
    writeFrameDataCsv(out, whole, {});
    const std::string written = out.str();
    require(written.find("inf") == std::string::npos && written.find("nan") == std::string::npos);
    return 0;
}
