// Every WAVE file of the public corpus becomes a sound buffer or is refused, as the game's own
// sounds are made: the file is a WAVE resource, parsed in place and copied into a static
// buffer. The files that load are the PCM ones of 8 or 16 bits, one or two channels, in
// either the plain or the extensible format, with both chunks inside the file.
#include "sound_test_util.h"
#include "win32/win32_resources.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

using WaveCorpusTest = SoundFixture;

// Among the refused: 24- and 32-bit, float, mu-law, ADPCM and xWMA samples (the extensible
// 32-bit nonstandard-02.wav too), three channels, a RIFF length or data chunk running past the
// file, and the fuzzing finds of other readers.
const std::set<std::string> LOADS = {
    "48000_stereo_pcm16.wav",
    "48000_stereo_pcm8.wav",
    "M1F1-int16-AFsp.wav",
    "Utopia Critical Stop.WAV",
    "extensible_stereo_pcm_16_44100.wav",
    "footfall00.wav",
    "format_chunk_after_data_chunk.wav",
    "format_chunk_extra_bytes_with_odd_size_and_padding_byte.wav",
    "format_chunk_with_extra_byte_and_padding_byte.wav",
    "format_chunk_with_extra_bytes.wav",
    "mono_pcm_16_44100.wav",
    "mono_pcm_16_44100_junk_chunk_final_chunk_missing_padding_byte.wav",
    "mono_pcm_16_44100_junk_chunk_with_padding_byte.wav",
    "mono_pcm_8_44100_with_padding_byte.wav",
    "pcmwaveformat-16bit-44100Hz-mono-extra.wav",
    "pcmwaveformat-8bit-44100Hz-mono.wav",
    "stereo_pcm_16_44100.wav",
    "stereo_pcm_8_44100.wav",
    "waveformatex-16bit-44100Hz-mono.wav",
    "with_smpl_chunk_after_data_chunk_and_data_chunk_has_padding_byte.wav",
    "with_smpl_chunk_before_data_chunk.wav",
};

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

TEST_F(WaveCorpusTest, PcmFilesLoadAndEveryOtherFileIsRefused) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    std::set<std::string> loaded;
    size_t checked = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(OVREL_CORPUS_DIR) + "/wav")) {
        const std::vector<uint8_t> bytes = ReadFile(entry.path());
        Win32ClearAddedResources();
        Win32AddResource("CORPUS", "WAVE", bytes.data(), static_cast<uint32_t>(bytes.size()));
        IDirectSoundBuffer* buffer = SoundBufferCreate(soundDevice, "CORPUS");
        ++checked;
        if (buffer != nullptr) {
            loaded.insert(entry.path().filename().string());
            buffer->Release();
        }
    }
    Win32ClearAddedResources();
    EXPECT_EQ(loaded, LOADS);
    EXPECT_EQ(checked, 52u);
}

} // namespace
