// The stream layer on arbitrary bytes, driven by a script of reads, seeks
// and tells taken from the input. Every delivered byte and every position is
// compared with a plain model of the Windows runtime's streams: in text mode
// CR LF arrives as LF, a lone CR as it is, and 0x1A ends the input; in binary
// mode every byte arrives unchanged. Positions count raw bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/platform.h"

namespace {

fuzz::ScratchFile streamFile;

constexpr int kCtrlZ = 0x1A;

// The content may be placed just before one of these offsets, so that line
// ends and Ctrl-Z also meet the edges of whatever read buffer the layer uses.
constexpr std::size_t kEdges[] = {0, 512, 4096, 8192, 65536};

struct Model {
    std::vector<unsigned char> delivered;
    std::vector<long> rawAfter;  // raw position after each delivered byte
    long rawSize = 0;

    Model(const std::string& file, bool text) : rawSize(static_cast<long>(file.size())) {
        std::size_t i = 0;
        while (i < file.size()) {
            const unsigned char c = static_cast<unsigned char>(file[i]);
            if (text && c == kCtrlZ) break;
            if (text && c == '\r' && i + 1 < file.size() && file[i + 1] == '\n') {
                delivered.push_back('\n');
                i += 2;
            } else {
                delivered.push_back(c);
                i += 1;
            }
            rawAfter.push_back(static_cast<long>(i));
        }
    }
};

class Driver {
public:
    Driver(PlatformFile* file, const Model& model) : file_(file), model_(model) {}

    void getc() {
        const int c = platformGetc(file_);
        if (remaining() == 0) {
            FUZZ_CHECK(c == -1, "getc delivered a byte past the end");
            hitEnd_ = true;
            return;
        }
        FUZZ_CHECK(c == model_.delivered[cursor_], "getc delivered the wrong byte");
        ++cursor_;
    }

    void gets(int size) {
        std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
        std::size_t expected = 0;
        bool lineEnd = false;
        while (!lineEnd && expected + 1 < static_cast<std::size_t>(size) && expected < remaining()) {
            lineEnd = model_.delivered[cursor_ + expected++] == '\n';
        }
        // Stopped neither by a line feed nor by the buffer: it met the end.
        const bool metEnd = !lineEnd && expected + 1 < static_cast<std::size_t>(size);
        char* result = platformGets(buffer.get(), size, file_);
        if (expected == 0 && size > 1) {
            FUZZ_CHECK(result == nullptr, "gets delivered a line past the end");
            hitEnd_ = true;
            return;
        }
        if (result == nullptr) {
            FUZZ_CHECK(size == 1, "gets delivered nothing where a line was due");
            return;
        }
        FUZZ_CHECK(result == buffer.get(), "gets returned another buffer");
        FUZZ_CHECK(expected == 0 || std::memcmp(buffer.get(), &model_.delivered[cursor_], expected) == 0,
                   "gets delivered the wrong bytes");
        FUZZ_CHECK(buffer[expected] == '\0', "gets did not terminate after the delivered bytes");
        cursor_ += expected;
        if (metEnd) hitEnd_ = true;
    }

    void read(std::size_t count) {
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[count + 1]);
        const std::size_t expected = count < remaining() ? count : remaining();
        const std::size_t got = platformRead(buffer.get(), 1, count, file_);
        FUZZ_CHECK(got == expected, "read delivered the wrong count");
        FUZZ_CHECK(expected == 0 || std::memcmp(buffer.get(), &model_.delivered[cursor_], expected) == 0,
                   "read delivered the wrong bytes");
        cursor_ += expected;
        if (count > 0 && expected < count) hitEnd_ = true;
    }

    void seekStart() {
        FUZZ_CHECK(platformSeekStart(file_) == 0, "seek to the start failed");
        cursor_ = 0;
        atFileEnd_ = false;
        hitEnd_ = false;
    }

    void seekEnd() {
        FUZZ_CHECK(platformSeekEnd(file_) == 0, "seek to the end failed");
        atFileEnd_ = true;
        hitEnd_ = false;
    }

    void tell() {
        const long at = platformTell(file_);
        if (atFileEnd_) {
            FUZZ_CHECK(at == model_.rawSize, "tell after a seek to the end");
            return;
        }
        const long expected = cursor_ == 0 ? 0 : model_.rawAfter[cursor_ - 1];
        if (hitEnd_) {
            // Where the layer stands after meeting the end (behind a Ctrl-Z
            // or not) is its own affair, as long as it is in the file.
            FUZZ_CHECK(at >= expected && at <= model_.rawSize, "tell at the end outside the file");
            return;
        }
        FUZZ_CHECK(at == expected, "tell gave the wrong raw position");
    }

private:
    std::size_t remaining() const { return atFileEnd_ ? 0 : model_.delivered.size() - cursor_; }

    PlatformFile* file_;
    const Model& model_;
    std::size_t cursor_ = 0;
    bool atFileEnd_ = false;
    bool hitEnd_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool text = !input.ConsumeBool();
    const std::size_t edge = input.PickValueInArray(kEdges);
    const std::size_t before = edge == 0 ? 0 : input.ConsumeIntegralInRange<std::size_t>(0, 255);
    const std::string script = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 48));
    const std::string content = input.ConsumeRemainingBytesAsString();

    // Filler of plain letters up to just before the edge.
    const std::size_t filler = edge > before ? edge - before : 0;
    std::string file(filler, 'a');
    file += content;
    streamFile.write(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());

    const Model model(file, text);
    PlatformFilePtr stream(platformOpen(streamFile.path(), text ? FileMode::ReadText : FileMode::ReadBinary));
    FUZZ_CHECK(stream != nullptr, "scratch file cannot be opened");
    Driver driver(stream.get(), model);

    if (filler > 0) driver.gets(static_cast<int>(filler) + 1);
    driver.tell();
    for (const char step : script) {
        const unsigned op = static_cast<unsigned char>(step);
        const unsigned arg = op >> 3;  // 0..31
        switch (op % 8) {
        case 0:
        case 1: driver.getc(); break;
        case 2: driver.gets(static_cast<int>(arg) + 1); break;
        case 3: driver.gets(static_cast<int>(arg) * 64 + 2); break;
        case 4: driver.read(arg); break;
        case 5: driver.seekStart(); break;
        case 6: driver.seekEnd(); break;
        default: driver.tell(); break;
        }
    }
    driver.tell();
    return 0;
}
