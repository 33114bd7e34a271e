// IDirectSoundBuffer: a static secondary buffer. Lock hands out the sample memory; Unlock
// converts it once to the mixer's format. Duplicates share the memory and the converted
// frames and keep their own voice: playing flag, looping, position, volume and pan.
#include "dsound/dsound_local.h"

#include <algorithm>
#include <cstring>

namespace {

// Gains ramp over at most this many frames after a change, so volume and pan steps made
// once per game frame do not click.
constexpr int GAIN_RAMP_FRAMES = 256;

} // namespace

DsoundBuffer::DsoundBuffer(std::shared_ptr<DsoundMixer> mixerIn,
                           std::shared_ptr<DsoundSamples> samplesIn)
    : mixer(std::move(mixerIn)), samples(std::move(samplesIn)) {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    mixer->buffers.push_back(this);
}

DsoundBuffer::~DsoundBuffer() {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    std::erase(mixer->buffers, this);
}

HRESULT DsoundBuffer::GetCurrentPosition(DWORD* pdwCurrentPlayCursor,
                                         DWORD* pdwCurrentWriteCursor) {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    const WAVEFORMATEX& format = samples->format;
    const uint64_t frame =
        static_cast<uint64_t>(position) * format.nSamplesPerSec / mixer->outputRate;
    const DWORD bytes = std::min(static_cast<DWORD>(frame * format.nBlockAlign),
                                 static_cast<DWORD>(samples->memory.size()));
    if (pdwCurrentPlayCursor != nullptr) {
        *pdwCurrentPlayCursor = bytes;
    }
    if (pdwCurrentWriteCursor != nullptr) {
        *pdwCurrentWriteCursor = bytes;
    }
    return DS_OK;
}

HRESULT DsoundBuffer::GetFormat(LPWAVEFORMATEX pwfxFormat, DWORD dwSizeAllocated,
                                DWORD* pdwSizeWritten) {
    if (pwfxFormat == nullptr) {
        if (pdwSizeWritten == nullptr) {
            return DSERR_INVALIDPARAM;
        }
        *pdwSizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    const DWORD size = std::min<DWORD>(dwSizeAllocated, sizeof(WAVEFORMATEX));
    std::memcpy(pwfxFormat, &samples->format, size);
    if (pdwSizeWritten != nullptr) {
        *pdwSizeWritten = size;
    }
    return DS_OK;
}

HRESULT DsoundBuffer::GetVolume(LONG* plVolume) {
    if (plVolume == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    if ((samples->flags & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    *plVolume = volume;
    return DS_OK;
}

HRESULT DsoundBuffer::GetPan(LONG* plPan) {
    if (plPan == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    if ((samples->flags & DSBCAPS_CTRLPAN) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    *plPan = pan;
    return DS_OK;
}

HRESULT DsoundBuffer::GetStatus(DWORD* pdwStatus) {
    if (pdwStatus == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    DWORD status = DSBSTATUS_LOCSOFTWARE;
    if (playing) {
        status |= DSBSTATUS_PLAYING;
        if (looping) {
            status |= DSBSTATUS_LOOPING;
        }
    }
    if (samples->lost) {
        status |= DSBSTATUS_BUFFERLOST;
    }
    *pdwStatus = status;
    return DS_OK;
}

HRESULT DsoundBuffer::Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1,
                           DWORD* pdwAudioBytes1, LPVOID* ppvAudioPtr2, DWORD* pdwAudioBytes2,
                           DWORD dwFlags) {
    if (ppvAudioPtr1 == nullptr || pdwAudioBytes1 == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    const DWORD size = static_cast<DWORD>(samples->memory.size());
    if ((dwFlags & DSBLOCK_FROMWRITECURSOR) != 0) {
        GetCurrentPosition(nullptr, &dwOffset);
    }
    if ((dwFlags & DSBLOCK_ENTIREBUFFER) != 0) {
        dwBytes = size;
    }
    if (dwBytes == 0 || dwBytes > size || dwOffset >= size) {
        return DSERR_INVALIDPARAM;
    }
    {
        std::lock_guard<std::mutex> lock(mixer->mutex);
        if (samples->lost) {
            return DSERR_BUFFERLOST;
        }
    }
    // A lock running past the end wraps to the start as a second region.
    const DWORD first = std::min(dwBytes, size - dwOffset);
    *ppvAudioPtr1 = samples->memory.data() + dwOffset;
    *pdwAudioBytes1 = first;
    if (ppvAudioPtr2 != nullptr) {
        *ppvAudioPtr2 = first < dwBytes ? samples->memory.data() : nullptr;
    }
    if (pdwAudioBytes2 != nullptr) {
        *pdwAudioBytes2 = ppvAudioPtr2 != nullptr ? dwBytes - first : 0;
    }
    return DS_OK;
}

HRESULT DsoundBuffer::Play(DWORD, DWORD, DWORD dwFlags) {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    if (samples->lost) {
        return DSERR_BUFFERLOST;
    }
    if (!playing) {
        // A voice starts at its set level; only changes while it is heard are ramped.
        gainLeft = targetLeft;
        gainRight = targetRight;
        unheard = true;
    }
    playing = true;
    looping = (dwFlags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT DsoundBuffer::SetCurrentPosition(DWORD dwNewPosition) {
    if (dwNewPosition >= samples->memory.size()) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    const WAVEFORMATEX& format = samples->format;
    const uint64_t frame = dwNewPosition / format.nBlockAlign;
    position = static_cast<size_t>(frame * mixer->outputRate / format.nSamplesPerSec);
    return DS_OK;
}

HRESULT DsoundBuffer::SetVolume(LONG lVolume) {
    if ((samples->flags & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    if (lVolume < DSBVOLUME_MIN || lVolume > DSBVOLUME_MAX) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    volume = lVolume;
    UpdateGains();
    return DS_OK;
}

HRESULT DsoundBuffer::SetPan(LONG lPan) {
    if ((samples->flags & DSBCAPS_CTRLPAN) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    if (lPan < DSBPAN_LEFT || lPan > DSBPAN_RIGHT) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(mixer->mutex);
    pan = lPan;
    UpdateGains();
    return DS_OK;
}

HRESULT DsoundBuffer::Stop() {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    playing = false;
    return DS_OK;
}

HRESULT DsoundBuffer::Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2,
                             DWORD dwAudioBytes2) {
    BYTE* begin = samples->memory.data();
    BYTE* end = begin + samples->memory.size();
    auto inside = [&](LPVOID pointer, DWORD bytes) {
        BYTE* at = static_cast<BYTE*>(pointer);
        return at >= begin && at <= end && bytes <= static_cast<size_t>(end - at);
    };
    if (pvAudioPtr1 == nullptr || !inside(pvAudioPtr1, dwAudioBytes1) ||
        (pvAudioPtr2 != nullptr && !inside(pvAudioPtr2, dwAudioBytes2))) {
        return DSERR_INVALIDPARAM;
    }
    // Converted outside the lock: the callback keeps playing the old frames meanwhile.
    size_t frames = 0;
    std::vector<float> converted =
        DsoundConvert(samples->format, begin, samples->memory.size(), mixer->outputRate, &frames);
    std::lock_guard<std::mutex> lock(mixer->mutex);
    samples->converted.swap(converted);
    samples->convertedFrames = frames;
    return DS_OK;
}

HRESULT DsoundBuffer::Restore() {
    // The memory comes back empty; the owner refills it.
    std::lock_guard<std::mutex> lock(mixer->mutex);
    samples->lost = false;
    return DS_OK;
}

DsoundBuffer* DsoundBuffer::Duplicate() {
    auto* copy = new DsoundBuffer(mixer, samples);
    std::lock_guard<std::mutex> lock(mixer->mutex);
    copy->volume = volume;
    copy->pan = pan;
    copy->UpdateGains();
    return copy;
}

void DsoundBuffer::UpdateGains() {
    targetLeft = DsoundSideGain(volume, pan, false);
    targetRight = DsoundSideGain(volume, pan, true);
    if (!playing || unheard) {
        gainLeft = targetLeft;
        gainRight = targetRight;
    }
}

void DsoundBuffer::MixInto(float* out, int frames) {
    const size_t total = samples->convertedFrames;
    if (!playing || total == 0 || frames <= 0) {
        return;
    }
    const int channels = samples->format.nChannels;
    const float* data = samples->converted.data();
    const int ramp = std::min(frames, GAIN_RAMP_FRAMES);
    const float stepLeft = (targetLeft - gainLeft) / static_cast<float>(ramp);
    const float stepRight = (targetRight - gainRight) / static_cast<float>(ramp);
    if (position >= total) {
        position = 0;
    }
    for (int i = 0; i < frames; ++i) {
        float left = targetLeft;
        float right = targetRight;
        if (i < ramp) {
            left = gainLeft + stepLeft * static_cast<float>(i + 1);
            right = gainRight + stepRight * static_cast<float>(i + 1);
        }
        const float* frame = data + position * channels;
        out[2 * i] += frame[0] * left;
        out[2 * i + 1] += frame[channels - 1] * right;
        if (++position >= total) {
            position = 0;
            if (!looping) {
                // A one-shot stops at its end and is ready to play again from the start.
                playing = false;
                break;
            }
        }
    }
    gainLeft = targetLeft;
    gainRight = targetRight;
    unheard = false;
}

void DsoundBuffer::MarkLost() {
    std::lock_guard<std::mutex> lock(mixer->mutex);
    samples->lost = true;
    std::fill(samples->memory.begin(), samples->memory.end(),
              samples->format.wBitsPerSample == 8 ? 0x80 : 0);
    std::fill(samples->converted.begin(), samples->converted.end(), 0.0f);
    for (DsoundBuffer* buffer : mixer->buffers) {
        if (buffer->samples == samples) {
            buffer->playing = false;
        }
    }
}
