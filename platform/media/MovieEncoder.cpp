// AVI writing through libavformat and libavcodec.
#include "platform/media/MovieEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <vector>

namespace plat {
namespace {

struct Encoders {
    AVFormatContext* out = nullptr;
    AVCodecContext* video = nullptr;
    std::vector<AVCodecContext*> sound;
    std::vector<AVStream*> soundStreams;
    AVStream* videoStream = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool opened = false;

    ~Encoders() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        for (AVCodecContext*& c : sound) avcodec_free_context(&c);
        if (out) {
            if (opened) avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }

    // Sends one frame (null: flush) and writes every packet that comes out.
    bool Send(AVCodecContext* ctx, AVStream* stream, AVFrame* f) {
        if (avcodec_send_frame(ctx, f) < 0) return false;
        while (avcodec_receive_packet(ctx, packet) == 0) {
            av_packet_rescale_ts(packet, ctx->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(out, packet) < 0) return false;
        }
        return true;
    }
};

}  // namespace

bool EncodeMovie(const std::string& path, const MovieSpec& recipe) {
    if (recipe.width <= 0 || recipe.height <= 0 || recipe.fps <= 0 || recipe.frames <= 0 || (recipe.width & 1) ||
        (recipe.height & 1))
        return false;
    av_log_set_level(AV_LOG_QUIET);
    Encoders e;
    if (avformat_alloc_output_context2(&e.out, nullptr, "avi", path.c_str()) < 0) return false;

    const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!vcodec) return false;
    e.videoStream = avformat_new_stream(e.out, nullptr);
    e.video = avcodec_alloc_context3(vcodec);
    if (!e.videoStream || !e.video) return false;
    e.video->width = recipe.width;
    e.video->height = recipe.height;
    e.video->pix_fmt = AV_PIX_FMT_YUV420P;
    e.video->time_base = AVRational{1, recipe.fps};
    e.video->framerate = AVRational{recipe.fps, 1};
    e.video->gop_size = 12;
    e.video->bit_rate = static_cast<int64_t>(recipe.width) * recipe.height * recipe.fps / 4;
    e.video->thread_count = 1;
    if (e.out->oformat->flags & AVFMT_GLOBALHEADER) e.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(e.video, vcodec, nullptr) < 0) return false;
    avcodec_parameters_from_context(e.videoStream->codecpar, e.video);
    e.videoStream->time_base = e.video->time_base;

    const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    if (!acodec) return false;
    for (int t = 0; t < recipe.soundTracks; ++t) {
        AVStream* st = avformat_new_stream(e.out, nullptr);
        AVCodecContext* c = avcodec_alloc_context3(acodec);
        if (!st || !c) {
            avcodec_free_context(&c);
            return false;
        }
        e.sound.push_back(c);
        e.soundStreams.push_back(st);
        c->sample_fmt = AV_SAMPLE_FMT_S16;
        c->sample_rate = recipe.soundRate;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        av_channel_layout_copy(&c->ch_layout, &mono);
        c->time_base = AVRational{1, recipe.soundRate};
        if (avcodec_open2(c, acodec, nullptr) < 0) return false;
        avcodec_parameters_from_context(st->codecpar, c);
        st->time_base = c->time_base;
    }

    if (avio_open(&e.out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    e.opened = true;
    if (avformat_write_header(e.out, nullptr) < 0) return false;
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.frame || !e.packet) return false;

    std::vector<uint8_t> bgra(static_cast<size_t>(recipe.width) * recipe.height * 4);
    e.sws = sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_BGRA, recipe.width, recipe.height, AV_PIX_FMT_YUV420P,
                           SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!e.sws) return false;
    const int samplesPerFrame = recipe.soundRate / recipe.fps;
    std::vector<int16_t> pcm(static_cast<size_t>(samplesPerFrame));
    for (int n = 0; n < recipe.frames; ++n) {
        if (recipe.draw) recipe.draw(n, bgra.data(), recipe.width * 4);
        av_frame_unref(e.frame);
        e.frame->format = AV_PIX_FMT_YUV420P;
        e.frame->width = recipe.width;
        e.frame->height = recipe.height;
        if (av_frame_get_buffer(e.frame, 0) < 0) return false;
        const uint8_t* src[4] = {bgra.data(), nullptr, nullptr, nullptr};
        const int srcLines[4] = {recipe.width * 4, 0, 0, 0};
        sws_scale(e.sws, src, srcLines, 0, recipe.height, e.frame->data, e.frame->linesize);
        e.frame->pts = n;
        if (!e.Send(e.video, e.videoStream, e.frame)) return false;
        for (int t = 0; t < recipe.soundTracks; ++t) {
            std::fill(pcm.begin(), pcm.end(), 0);
            if (recipe.sound) recipe.sound(t, static_cast<int64_t>(n) * samplesPerFrame, pcm.data(), samplesPerFrame);
            av_frame_unref(e.frame);
            e.frame->format = AV_SAMPLE_FMT_S16;
            e.frame->sample_rate = recipe.soundRate;
            e.frame->nb_samples = samplesPerFrame;
            AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
            av_channel_layout_copy(&e.frame->ch_layout, &mono);
            if (av_frame_get_buffer(e.frame, 0) < 0) return false;
            std::copy(pcm.begin(), pcm.end(), reinterpret_cast<int16_t*>(e.frame->data[0]));
            e.frame->pts = static_cast<int64_t>(n) * samplesPerFrame;
            if (!e.Send(e.sound[static_cast<size_t>(t)], e.soundStreams[static_cast<size_t>(t)], e.frame)) return false;
        }
    }
    if (!e.Send(e.video, e.videoStream, nullptr)) return false;
    for (size_t t = 0; t < e.sound.size(); ++t)
        if (!e.Send(e.sound[t], e.soundStreams[t], nullptr)) return false;
    return av_write_trailer(e.out) == 0;
}

}  // namespace plat
