// Finding format and samples in RIFF WAVE images: the seven embedded sounds, and crafted
// images with extra chunks, odd sizes, short formats, either order and cut-off chunks.
#include "sound_test_util.h"
#include "win32/win32_resources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Assembles an image chunk by chunk; the RIFF length is filled in by Bytes().
class ImageBuilder {
  public:
    ImageBuilder() {
        Put("RIFF");
        PutWord(0);
        Put("WAVE");
    }
    // A chunk whose size field says size (by default its real length), padded when odd.
    ImageBuilder& Chunk(const char* id, size_t length, long claimed = -1) {
        Put(id);
        PutWord(claimed >= 0 ? static_cast<DWORD>(claimed) : static_cast<DWORD>(length));
        for (size_t i = 0; i < length; ++i) {
            bytes.push_back(static_cast<BYTE>(0xA0 + i % 16));
        }
        if (length % 2 == 1) {
            bytes.push_back(0);
        }
        return *this;
    }
    ImageBuilder& Format(size_t length = 16) {
        const size_t at = bytes.size() + 8;
        Chunk("fmt ", length);
        const BYTE pcm[16] = {1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0};
        std::memcpy(bytes.data() + at, pcm, std::min<size_t>(length, 16));
        return *this;
    }
    ImageBuilder& Raw(const char* text, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            bytes.push_back(static_cast<BYTE>(text[i]));
        }
        return *this;
    }
    const std::vector<BYTE>& Bytes() {
        const DWORD length = static_cast<DWORD>(bytes.size() - 8);
        std::memcpy(bytes.data() + 4, &length, 4);
        return bytes;
    }

    std::vector<BYTE> bytes;

  private:
    void Put(const char* id) { Raw(id, 4); }
    void PutWord(DWORD value) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
        }
    }
};

struct Parsed {
    HRESULT result;
    long formatAt; // byte offset of the format body, -1 for null
    long dataAt;
    DWORD size;
};

Parsed Parse(const std::vector<BYTE>& image, bool wantFormat = true, bool wantData = true,
             bool wantSize = true) {
    const WAVEFORMATEX* format = reinterpret_cast<const WAVEFORMATEX*>(8);
    const BYTE* data = reinterpret_cast<const BYTE*>(8);
    DWORD size = 77;
    const HRESULT result = WaveParseSized(image.data(), static_cast<DWORD>(image.size()),
                                          wantFormat ? &format : nullptr,
                                          wantData ? &data : nullptr, wantSize ? &size : nullptr);
    auto offset = [&](const void* p) {
        return p == nullptr ? -1L : static_cast<long>(static_cast<const BYTE*>(p) - image.data());
    };
    return {result, wantFormat ? offset(format) : -2, wantData ? offset(data) : -2,
            wantSize ? size : 0};
}

TEST(WaveParse, FindsBothChunksInEitherOrderPastOtherChunks) {
    // fmt at 12 (body 20), fact at 36 (body 44), data at 48 (body 56).
    ImageBuilder withFact;
    withFact.Format().Chunk("fact", 4).Chunk("data", 10);
    Parsed p = Parse(withFact.Bytes());
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.formatAt, 20);
    EXPECT_EQ(p.dataAt, 56);
    EXPECT_EQ(p.size, 10u);

    // data first (body 20, 6 bytes), then fmt (header 26, body 34).
    ImageBuilder dataFirst;
    dataFirst.Chunk("data", 6).Format();
    p = Parse(dataFirst.Bytes());
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.formatAt, 34);
    EXPECT_EQ(p.dataAt, 20);
    EXPECT_EQ(p.size, 6u);

    // An odd 3-byte chunk carries a pad byte: LIST at 36, body 44..46, pad 47, data at 48.
    ImageBuilder odd;
    odd.Format().Chunk("LIST", 3).Chunk("data", 5);
    p = Parse(odd.Bytes());
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.dataAt, 56);
    EXPECT_EQ(p.size, 5u);

    // The unsized entry point reads as far as the RIFF length says.
    const WAVEFORMATEX* format = nullptr;
    const BYTE* data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(WaveParse(withFact.Bytes().data(), &format, &data, &size), S_OK);
    EXPECT_EQ(data, withFact.Bytes().data() + 56);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(format->nSamplesPerSec, 44100u);
}

TEST(WaveParse, GivesOnlyWhatIsWanted) {
    ImageBuilder formatOnly;
    formatOnly.Format();
    Parsed p = Parse(formatOnly.Bytes(), true, false, false);
    EXPECT_EQ(p.result, S_OK) << "nothing else wanted, so the format alone succeeds";
    EXPECT_EQ(p.formatAt, 20);
    EXPECT_EQ(Parse(formatOnly.Bytes()).result, E_FAIL) << "no data chunk";

    ImageBuilder dataOnly;
    dataOnly.Chunk("data", 8);
    p = Parse(dataOnly.Bytes(), false, true, true);
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.dataAt, 20);
    EXPECT_EQ(p.size, 8u);
    EXPECT_EQ(Parse(dataOnly.Bytes()).result, E_FAIL) << "no format chunk";
}

TEST(WaveParse, FormatChunkMustHoldFourteenBytes) {
    ImageBuilder thirteen;
    thirteen.Format(13).Chunk("data", 4);
    Parsed p = Parse(thirteen.Bytes());
    EXPECT_EQ(p.result, E_FAIL);
    EXPECT_EQ(p.formatAt, -1) << "outputs are cleared on failure";
    EXPECT_EQ(p.dataAt, -1);
    EXPECT_EQ(p.size, 0u);

    ImageBuilder fourteen;
    fourteen.Format(14).Chunk("data", 4);
    p = Parse(fourteen.Bytes());
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.dataAt, 12 + 8 + 14 + 8);

    // A 14-byte format as the very last chunk would have the 16-byte PCM format read past
    // the image's end.
    ImageBuilder lastShort;
    lastShort.Chunk("data", 4).Format(14);
    EXPECT_EQ(Parse(lastShort.Bytes()).result, E_FAIL);
}

TEST(WaveParse, ExtensibleFormatChunkMustHoldTheWholeFormat) {
    // Tag 0xFFFE in a chunk of 16 or 39 bytes: the sound layer would read 40.
    for (size_t length : {16u, 39u}) {
        ImageBuilder cut;
        cut.Format(length).Chunk("data", 4);
        cut.bytes[20] = 0xFE;
        cut.bytes[21] = 0xFF;
        EXPECT_EQ(Parse(cut.Bytes()).result, E_FAIL) << length;
    }
    ImageBuilder whole;
    whole.Format(40).Chunk("data", 4);
    whole.bytes[20] = 0xFE;
    whole.bytes[21] = 0xFF;
    const Parsed p = Parse(whole.Bytes());
    EXPECT_EQ(p.result, S_OK);
    EXPECT_EQ(p.formatAt, 20);
}

TEST(WaveParse, RefusesImagesThatAreNotWaveOrRunPastTheirEnd) {
    ImageBuilder good;
    good.Format().Chunk("data", 10);
    std::vector<BYTE> notRiff = good.Bytes();
    std::memcpy(notRiff.data(), "RIFX", 4);
    EXPECT_EQ(Parse(notRiff).result, E_FAIL);
    std::vector<BYTE> notWave = good.Bytes();
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    EXPECT_EQ(Parse(notWave).result, E_FAIL);

    // A data chunk claiming more bytes than the image holds.
    ImageBuilder longData;
    longData.Format().Chunk("data", 10, 1000);
    EXPECT_EQ(Parse(longData.Bytes()).result, E_FAIL);
    ImageBuilder huge;
    huge.Format().Chunk("data", 10, 0xFFFFFFF0);
    EXPECT_EQ(Parse(huge.Bytes()).result, E_FAIL);
    // A skipped chunk running past the end before the data is reached.
    ImageBuilder longFact;
    longFact.Format().Chunk("fact", 4, 500).Chunk("data", 10);
    EXPECT_EQ(Parse(longFact.Bytes()).result, E_FAIL);
    // A chunk header cut off by the end of the image.
    ImageBuilder cutHeader;
    cutHeader.Format().Raw("dat", 3);
    EXPECT_EQ(Parse(cutHeader.Bytes()).result, E_FAIL);
    // A RIFF length beyond the bytes there are.
    std::vector<BYTE> truncated = good.Bytes();
    truncated.resize(truncated.size() - 4);
    EXPECT_EQ(Parse(truncated).result, E_FAIL);
    // Trailing bytes past the RIFF length are not part of the image.
    std::vector<BYTE> trailing = good.Bytes();
    for (char c : {'J', 'U', 'N', 'K'}) {
        trailing.push_back(static_cast<BYTE>(c));
    }
    EXPECT_EQ(Parse(trailing).result, S_OK);
}

TEST(WaveResourceGet, FindsWaveThenWavResourcesAndChecksTheirSize) {
    ImageBuilder image;
    image.Format().Chunk("data", 10);
    const std::vector<BYTE> bytes = image.Bytes();
    Win32AddResource("TESTWAV", "WAV", bytes.data(), static_cast<uint32_t>(bytes.size()));
    Win32AddResource("CUTSHORT", "WAVE", bytes.data(), static_cast<uint32_t>(bytes.size() - 2));
    const WAVEFORMATEX* format = nullptr;
    const BYTE* data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(WaveResourceGet(nullptr, "TESTWAV", &format, &data, &size), S_OK);
    EXPECT_EQ(data, bytes.data() + 44);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(WaveResourceGet(nullptr, "CUTSHORT", &format, &data, &size), E_FAIL);
    EXPECT_EQ(WaveResourceGet(nullptr, "NOSUCHSOUND", &format, &data, &size), E_FAIL);
    EXPECT_EQ(data, nullptr);
    Win32ClearAddedResources();
}

TEST(WaveParse, DamagedImagesNeverLeadOutsideThemselves) {
    // Thousands of images made by damaging a good one: flipped bytes, changed sizes, cut
    // tails. Each lies in a heap block of its exact size, so the sanitizer build catches any
    // read past it; whatever parses must point inside the image.
    ImageBuilder builder;
    builder.Format().Chunk("fact", 4).Chunk("LIST", 7).Chunk("data", 40);
    const std::vector<BYTE> good = builder.Bytes();
    uint32_t state = 2463534242u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<BYTE> damaged = good;
        const int changes = 1 + static_cast<int>(next() % 4);
        for (int c = 0; c < changes; ++c) {
            const size_t at = next() % damaged.size();
            // Mostly small bytes, so that sizes stay near the real ones.
            damaged[at] = static_cast<BYTE>(next() % 3 == 0 ? next() : next() % 64);
        }
        if (next() % 4 == 0) {
            damaged.resize(12 + next() % (damaged.size() - 12));
        }
        const size_t length = damaged.size();
        auto* image = new BYTE[length];
        std::memcpy(image, damaged.data(), length);
        const WAVEFORMATEX* format = nullptr;
        const BYTE* data = nullptr;
        DWORD size = 0;
        if (WaveParseSized(image, static_cast<DWORD>(length), &format, &data, &size) == S_OK) {
            ++parsed;
            const BYTE* formatAt = reinterpret_cast<const BYTE*>(format);
            ASSERT_GE(formatAt, image + 12) << "round " << round;
            ASSERT_LE(formatAt + 16, image + length) << "round " << round;
            ASSERT_GE(data, image + 12) << "round " << round;
            ASSERT_LE(data + size, image + length) << "round " << round;
            volatile BYTE last = size > 0 ? data[size - 1] : 0;
            (void)last;
        }
        delete[] image;
    }
    EXPECT_GT(parsed, 1000) << "most small damage leaves a usable image";
}

struct EmbeddedSound {
    const char* name;
    DWORD resourceBytes;
    DWORD rate;
    DWORD dataBytes;
    bool fact;
    bool loop;
};

const EmbeddedSound EMBEDDED[] = {
    {"DOGS", 228026, 44100, 227982, false, true}, {"BIRDS", 457714, 44100, 457670, false, true},
    {"WIND", 176456, 44100, 176412, false, true}, {"DVERE", 9736, 44100, 9692, false, false},
    {"KOD", 38132, 22050, 38076, true, false},    {"KOD2", 9780, 22050, 9724, true, false},
    {"BTN", 4560, 44100, 4516, false, false},
};

TEST(EmbeddedSounds, HaveTheFormatsTheSoundTableExpects) {
    for (const EmbeddedSound& sound : EMBEDDED) {
        SCOPED_TRACE(sound.name);
        HRSRC info = FindResourceA(nullptr, sound.name, "WAVE");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(SizeofResource(nullptr, info), sound.resourceBytes);
        const BYTE* image = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));

        const WAVEFORMATEX* format = nullptr;
        const BYTE* data = nullptr;
        DWORD size = 0;
        ASSERT_EQ(WaveResourceGet(nullptr, sound.name, &format, &data, &size), S_OK);
        EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format->nChannels, 1);
        EXPECT_EQ(format->nSamplesPerSec, sound.rate);
        EXPECT_EQ(format->nAvgBytesPerSec, sound.rate * 2);
        EXPECT_EQ(format->nBlockAlign, 2);
        EXPECT_EQ(format->wBitsPerSample, 16);
        EXPECT_EQ(size, sound.dataBytes);
        // RIFF header 12, "fmt " 8 + 16, optional "fact" 8 + 4, "data" header 8.
        EXPECT_EQ(data - image, sound.fact ? 56 : 44);
        if (sound.fact) {
            EXPECT_EQ(std::memcmp(image + 36, "fact", 4), 0);
        }

        std::vector<int16_t> samples(size / 2);
        std::memcpy(samples.data(), data, size);
        int peak = 0;
        std::vector<int> steps;
        for (size_t i = 0; i < samples.size(); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
            if (i > 0) {
                steps.push_back(std::abs(samples[i] - samples[i - 1]));
            }
        }
        EXPECT_GT(peak, 8000) << "audible";
        EXPECT_LT(peak, 32767) << "not clipped";
        if (sound.loop) {
            // The step from the last sample back to the first is like any other step.
            std::sort(steps.begin(), steps.end());
            const int join = std::abs(samples.front() - samples.back());
            EXPECT_LE(join, steps[steps.size() * 999 / 1000]) << "join " << join;
        } else {
            EXPECT_LT(std::abs(samples.front()), 64) << "starts from silence";
            EXPECT_LT(std::abs(samples.back()), 64) << "ends in silence";
        }
    }
}

} // namespace
