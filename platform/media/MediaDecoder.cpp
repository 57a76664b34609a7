// FFmpeg demuxing, decoding, picture conversion and resampling over a bounded reader.
#include "platform/media/MediaDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>

namespace plat {

struct MediaDecoderState {
    std::unique_ptr<MediaReader> reader;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoStream = -1;
    int audioStream = -1;
    int audioTrack = -1;
    int audioStreams = 0;
    int outRate = 44100;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    std::vector<int16_t> samples;
    bool readEnd = false;
    bool flushed = false;

    ~MediaDecoderState() {
        sws_freeContext(sws);
        swr_free(&swr);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

namespace {

constexpr int kIoBuffer = 32768;

int ReadPacket(void* opaque, uint8_t* buf, int n) {
    auto* reader = static_cast<MediaReader*>(opaque);
    const int got = reader->Read(buf, n);
    if (got < 0) return AVERROR(EIO);
    return got == 0 ? AVERROR_EOF : got;
}

int64_t SeekStream(void* opaque, int64_t offset, int whence) {
    auto* reader = static_cast<MediaReader*>(opaque);
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE: return reader->Size();
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = reader->Position() + offset; break;
    case SEEK_END: target = reader->Size() + offset; break;
    default: return -1;
    }
    return reader->Seek(target) ? target : -1;
}

AVCodecContext* OpenCodec(AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx) return nullptr;
    ctx->thread_count = 1;
    if (avcodec_parameters_to_context(ctx, stream->codecpar) < 0 || avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    return ctx;
}

}  // namespace

std::unique_ptr<MediaDecoder> MediaDecoder::Open(std::unique_ptr<MediaReader> reader, int audioTrack, bool wantVideo,
                                                 int audioRate) {
    if (!reader) return nullptr;
    av_log_set_level(AV_LOG_QUIET);
    std::unique_ptr<MediaDecoder> d(new MediaDecoder);
    d->s_ = std::make_unique<MediaDecoderState>();
    MediaDecoderState& s = *d->s_;
    s.reader = std::move(reader);
    s.outRate = audioRate > 0 ? audioRate : 44100;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
    if (!buffer) return nullptr;
    s.io = avio_alloc_context(buffer, kIoBuffer, 0, s.reader.get(), ReadPacket, nullptr, SeekStream);
    if (!s.io) {
        av_free(buffer);
        return nullptr;
    }
    s.format = avformat_alloc_context();
    if (!s.format) return nullptr;
    s.format->pb = s.io;
    s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&s.format, nullptr, nullptr, nullptr) < 0) {
        s.format = nullptr;  // freed by the failed open
        return nullptr;
    }
    if (avformat_find_stream_info(s.format, nullptr) < 0) return nullptr;

    std::vector<int> audio;
    for (unsigned i = 0; i < s.format->nb_streams; ++i) {
        const AVMediaType type = s.format->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO) audio.push_back(static_cast<int>(i));
        if (type == AVMEDIA_TYPE_VIDEO && s.videoStream < 0 && wantVideo) s.videoStream = static_cast<int>(i);
    }
    s.audioStreams = static_cast<int>(audio.size());
    if (audioTrack >= 0 && !audio.empty()) {
        s.audioTrack = audioTrack < static_cast<int>(audio.size()) ? audioTrack : 0;
        s.audioStream = audio[static_cast<size_t>(s.audioTrack)];
    }
    if (s.videoStream >= 0) {
        s.video = OpenCodec(s.format->streams[s.videoStream]);
        if (!s.video || s.video->width <= 0 || s.video->height <= 0 || s.video->width > 8192 || s.video->height > 8192)
            return nullptr;
    }
    if (s.audioStream >= 0) {
        s.audio = OpenCodec(s.format->streams[s.audioStream]);
        if (s.audio) {
            AVChannelLayout in{};
            if (s.audio->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || s.audio->ch_layout.nb_channels <= 0)
                av_channel_layout_default(&in, s.audio->ch_layout.nb_channels > 0 ? s.audio->ch_layout.nb_channels : 1);
            else
                av_channel_layout_copy(&in, &s.audio->ch_layout);
            AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&s.swr, &out, AV_SAMPLE_FMT_S16, s.outRate, &in, s.audio->sample_fmt,
                                    s.audio->sample_rate, 0, nullptr) < 0 ||
                swr_init(s.swr) < 0) {
                swr_free(&s.swr);
                avcodec_free_context(&s.audio);
            }
            av_channel_layout_uninit(&in);
        }
        if (!s.audio) {
            s.audioStream = -1;
            s.audioTrack = -1;
        }
    }
    if (!s.video && !s.audio) return nullptr;
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    if (!s.packet || !s.frame) return nullptr;
    return d;
}

MediaDecoder::~MediaDecoder() = default;

bool MediaDecoder::HasVideo() const { return s_->video != nullptr; }
bool MediaDecoder::HasAudio() const { return s_->audio != nullptr; }
int MediaDecoder::Width() const { return s_->video ? s_->video->width : 0; }
int MediaDecoder::Height() const { return s_->video ? s_->video->height : 0; }
int MediaDecoder::AudioStreamCount() const { return s_->audioStreams; }
int MediaDecoder::AudioTrack() const { return s_->audioTrack; }

double MediaDecoder::FrameRate() const {
    if (!s_->video) return 0.0;
    const AVRational r = av_guess_frame_rate(s_->format, s_->format->streams[s_->videoStream], nullptr);
    return r.num > 0 && r.den > 0 ? av_q2d(r) : 25.0;
}

double MediaDecoder::DurationSeconds() const {
    if (s_->format->duration > 0) return static_cast<double>(s_->format->duration) / AV_TIME_BASE;
    return 0.0;
}

int MediaDecoder::FrameCount() const {
    if (!s_->video) return 0;
    const AVStream* st = s_->format->streams[s_->videoStream];
    if (st->nb_frames > 0 && st->nb_frames < 0x7FFFFFFF) return static_cast<int>(st->nb_frames);
    return static_cast<int>(std::lround(DurationSeconds() * FrameRate()));
}

// Reads one packet and hands it to its decoder; sound frames are converted at once. False when the
// stream has ended (the decoders are then flushed once).
bool MediaDecoder::Pump() {
    MediaDecoderState& s = *s_;
    auto drainAudio = [&] {
        while (s.audio && avcodec_receive_frame(s.audio, s.frame) == 0) {
            const int outFrames = swr_get_out_samples(s.swr, s.frame->nb_samples);
            if (outFrames > 0) {
                const size_t at = s.samples.size();
                s.samples.resize(at + static_cast<size_t>(outFrames) * 2);
                uint8_t* out[1] = {reinterpret_cast<uint8_t*>(s.samples.data() + at)};
                const int got = swr_convert(s.swr, out, outFrames, const_cast<const uint8_t**>(s.frame->extended_data),
                                            s.frame->nb_samples);
                s.samples.resize(at + static_cast<size_t>(got > 0 ? got : 0) * 2);
            }
            av_frame_unref(s.frame);
        }
    };
    if (s.readEnd) {
        if (s.flushed) return false;
        s.flushed = true;
        if (s.video) avcodec_send_packet(s.video, nullptr);
        if (s.audio) {
            avcodec_send_packet(s.audio, nullptr);
            drainAudio();
        }
        return true;
    }
    if (av_read_frame(s.format, s.packet) < 0) {
        s.readEnd = true;
        return true;
    }
    if (s.packet->stream_index == s.audioStream && s.audio) {
        if (avcodec_send_packet(s.audio, s.packet) == AVERROR(EAGAIN)) {
            drainAudio();
            avcodec_send_packet(s.audio, s.packet);
        }
        drainAudio();
    } else if (s.packet->stream_index == s.videoStream && s.video) {
        avcodec_send_packet(s.video, s.packet);
    }
    av_packet_unref(s.packet);
    return true;
}

bool MediaDecoder::NextFrame(uint8_t* pixels, int pitch) {
    MediaDecoderState& s = *s_;
    if (!s.video) return false;
    for (;;) {
        const int r = avcodec_receive_frame(s.video, s.frame);
        if (r == 0) {
            const bool sameSize = s.frame->width == s.video->width && s.frame->height == s.video->height;
            if (sameSize) {
                s.sws = sws_getCachedContext(s.sws, s.frame->width, s.frame->height,
                                             static_cast<AVPixelFormat>(s.frame->format), s.frame->width,
                                             s.frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
                if (s.sws) {
                    uint8_t* dst[4] = {pixels, nullptr, nullptr, nullptr};
                    int lines[4] = {pitch, 0, 0, 0};
                    sws_scale(s.sws, s.frame->data, s.frame->linesize, 0, s.frame->height, dst, lines);
                }
            }
            av_frame_unref(s.frame);
            return true;
        }
        if (r == AVERROR_EOF) return false;
        if (r != AVERROR(EAGAIN)) return false;
        if (!Pump()) return false;
    }
}

bool MediaDecoder::DecodeAudio(size_t minFrames) {
    MediaDecoderState& s = *s_;
    if (!s.audio) return false;
    while (s.samples.size() / 2 < minFrames) {
        if (!Pump()) break;
    }
    return !s.samples.empty();
}

void MediaDecoder::TakeAudio(std::vector<int16_t>* samples) {
    samples->clear();
    samples->swap(s_->samples);
}

}  // namespace plat
