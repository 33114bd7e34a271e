// What the mixer puts out: levels by the volume law, sides by the pan law, sample formats
// and rates converted, loops that wrap, one-shots that end, stops that hold, and clamping.
#include "dsound_test_util.h"

#include <cmath>

namespace {

using DsoundMixerTest = ManualDevice;

TEST_F(DsoundMixerTest, LevelAndSideFollowVolumeAndPan) {
    // 16384 / 32768 = 0.5 full scale.
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(4000, 16384));
    ASSERT_NE(buffer, nullptr);
    struct Case {
        LONG volume;
        LONG pan;
        float left;
        float right;
    };
    // Gains by hand: -600 is -6 dB (x 0.501187), 2000 attenuates the left by 20 dB (x 0.1),
    // -10000 attenuates the right by 100 dB (x 0.00001); volume and pan attenuations add.
    const Case cases[] = {
        {0, 0, 0.5f, 0.5f},      {-600, 0, 0.250594f, 0.250594f}, {0, 2000, 0.05f, 0.5f},
        {0, -2000, 0.5f, 0.05f}, {0, -10000, 0.5f, 0.000005f},    {-2000, 1000, 0.0158114f, 0.05f},
    };
    for (const Case& c : cases) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
        ASSERT_EQ(buffer->SetVolume(c.volume), DS_OK);
        ASSERT_EQ(buffer->SetPan(c.pan), DS_OK);
        buffer->Play(0, 0, 0);
        const std::vector<float> out = Render(64);
        EXPECT_NEAR(out[0], c.left, c.left * 1e-4f) << "volume " << c.volume << " pan " << c.pan;
        EXPECT_NEAR(out[1], c.right, c.right * 1e-4f) << "volume " << c.volume << " pan " << c.pan;
        EXPECT_NEAR(out[126], c.left, c.left * 1e-4f);
        EXPECT_NEAR(out[127], c.right, c.right * 1e-4f);
    }
    buffer->Release();
}

TEST_F(DsoundMixerTest, VolumeChangesWhilePlayingGlideInsteadOfStepping) {
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(4000, 16384));
    ASSERT_NE(buffer, nullptr);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    Render(10);
    buffer->SetVolume(-2000); // to 0.05
    const std::vector<float> out = Render(512);
    EXPECT_LT(out[0], 0.5f);
    EXPECT_GT(out[0], 0.49f) << "the first frame after a change moves only a little";
    EXPECT_NEAR(out[2 * 511], 0.05f, 1e-5f) << "the new level holds after the glide";
    for (int i = 1; i < 512; ++i) {
        EXPECT_LE(out[2 * i], out[2 * (i - 1)] + 1e-7f);
    }
    buffer->Release();
}

TEST_F(DsoundMixerTest, LevelSetRightAfterPlayHoldsFromTheFirstFrame) {
    // A loop started at full level and muted before the mixer runs must not blip.
    IDirectSoundBuffer* buffer = MakeMono16(std::vector<int16_t>(4000, 16384));
    ASSERT_NE(buffer, nullptr);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    buffer->SetVolume(-2000); // 0.05
    const std::vector<float> out = Render(8);
    EXPECT_NEAR(out[0], 0.05f, 1e-6f);
    EXPECT_NEAR(out[1], 0.05f, 1e-6f);
    buffer->Release();
}

TEST_F(DsoundMixerTest, EightBitStereoKeepsItsSides) {
    // Unsigned 8-bit: 0xC0 is +0.5, 0x40 is -0.5.
    const unsigned char frames[] = {0xC0, 0x40, 0xC0, 0x40, 0xC0, 0x40, 0xC0, 0x40};
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(44100, 2, 8), frames, sizeof frames);
    ASSERT_NE(buffer, nullptr);
    buffer->Play(0, 0, 0);
    const std::vector<float> out = Render(6);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], -0.5f);
    EXPECT_FLOAT_EQ(out[6], 0.5f);
    EXPECT_FLOAT_EQ(out[7], -0.5f);
    EXPECT_EQ(out[8], 0.0f) << "four frames, then silence";
    buffer->Release();
}

TEST_F(DsoundMixerTest, OtherRatesPlayAtTheirOwnSpeed) {
    // 1000 frames at 22050 Hz last 2000 frames at 44100 Hz; a 1 kHz tone keeps its pitch.
    std::vector<int16_t> tone(1000);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] =
            static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * 1000 * i / 22050.0)));
    }
    IDirectSoundBuffer* buffer = MakeMono16(tone, 22050);
    ASSERT_NE(buffer, nullptr);
    buffer->Play(0, 0, 0);
    const std::vector<float> out = Render(2100);
    int crossings = 0;
    for (int i = 1; i < 1990; ++i) {
        if ((out[2 * i - 2] < 0) != (out[2 * i] < 0)) {
            ++crossings;
        }
    }
    // 1990 frames at 44100 Hz are 45.1 ms of a 1 kHz tone: 90 sign changes.
    EXPECT_NEAR(crossings, 90, 1);
    for (int i = 2001; i < 2100; ++i) {
        EXPECT_EQ(out[2 * i], 0.0f) << "frame " << i;
    }
    EXPECT_EQ(StatusOf(buffer), 0u);
    buffer->Release();

    // The same holds when the device itself runs at another rate.
    Open(48000);
    IDirectSoundBuffer* other = MakeMono16(std::vector<int16_t>(441, 16384), 44100);
    ASSERT_NE(other, nullptr);
    other->Play(0, 0, 0);
    const std::vector<float> out48 = Render(600);
    EXPECT_NEAR(out48[2 * 470], 0.5f, 1e-6f);
    EXPECT_EQ(out48[2 * 490], 0.0f) << "10 ms at 48 kHz are 480 frames";
    other->Release();
}

TEST_F(DsoundMixerTest, LoopWrapsOneShotEndsStopHoldsPosition) {
    std::vector<int16_t> ramp(100);
    for (int i = 0; i < 100; ++i) {
        ramp[i] = static_cast<int16_t>(i * 100);
    }
    IDirectSoundBuffer* buffer = MakeMono16(ramp);
    ASSERT_NE(buffer, nullptr);

    buffer->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<float> out = Render(250);
    EXPECT_FLOAT_EQ(out[2 * 150], 50 * 100 / 32768.0f) << "frame 150 is sample 50 again";
    EXPECT_FLOAT_EQ(out[2 * 249], 49 * 100 / 32768.0f);

    buffer->Stop();
    out = Render(20);
    for (float x : out) {
        EXPECT_EQ(x, 0.0f) << "a stopped buffer is silent";
    }
    buffer->Play(0, 0, 0);
    out = Render(60);
    EXPECT_FLOAT_EQ(out[0], 50 * 100 / 32768.0f) << "play resumes where stop left it";
    EXPECT_FLOAT_EQ(out[2 * 49], 99 * 100 / 32768.0f);
    EXPECT_EQ(out[2 * 50], 0.0f) << "without the looping flag it ends";

    // A one-shot that ended plays again from its start.
    buffer->Play(0, 0, 0);
    out = Render(2);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 100 / 32768.0f);

    buffer->Stop();
    ASSERT_EQ(buffer->SetCurrentPosition(2 * 90), DS_OK);
    buffer->Play(0, 0, 0);
    out = Render(1);
    EXPECT_FLOAT_EQ(out[0], 90 * 100 / 32768.0f);
    buffer->Release();
}

TEST_F(DsoundMixerTest, SumsBuffersAndClampsTheSum) {
    IDirectSoundBuffer* a = MakeMono16(std::vector<int16_t>(100, 24576)); // 0.75
    IDirectSoundBuffer* b = MakeMono16(std::vector<int16_t>(50, 8192));   // 0.25
    IDirectSoundBuffer* c = MakeMono16(std::vector<int16_t>(100, 24576));
    ASSERT_TRUE(a && b && c);
    a->Play(0, 0, 0);
    b->Play(0, 0, 0);
    std::vector<float> out = Render(100);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out[2 * 60], 0.75f);
    a->Play(0, 0, 0);
    c->Play(0, 0, 0);
    out = Render(10);
    EXPECT_FLOAT_EQ(out[0], 1.0f) << "1.5 clamps to full scale";
    a->Release();
    b->Release();
    c->Release();
}

} // namespace
