// The subtitle thread: decodes subtitle packets into bitmap subtitles (palettes turned to YUVA)
// and queues them for the refresh, which blends them over the pictures they belong to.
#include <thread>

#include "player/Playback.h"
#include "player/PreviewPlayer.h"
#include "player/SubtitleBlend.h"

namespace zanto::player {

void TCustomPlayer::SubtitleThreadMain(TPlayback* pbp) {
  using namespace std::chrono_literals;
  TPlayback& pb = *pbp;
  AVCodecContext* dec = pb.SubtitleCodec.get();
  const AVRational timeBase = pb.SubtitleStream->time_base;
  for (;;) {
    while (pb.Paused && !pb.SubtitleQueue.Aborted() && !pb.DecodeWhilePaused)
      std::this_thread::sleep_for(10ms);
    TQueuedPacket item;
    if (pb.SubtitleQueue.Get(item, true) < 0) break;
    if (item.Flush) {
      avcodec_flush_buffers(dec);
      continue;
    }
    if (item.IsEmpty()) continue;
    if (!pb.Subpictures.WaitWritable()) break;
    auto sub = std::make_unique<TSubpicture>();
    sub->PtsSeconds = item.Packet->pts != AV_NOPTS_VALUE ? item.Packet->pts * av_q2d(timeBase) : 0;
    int got = 0;
    if (avcodec_decode_subtitle2(dec, &sub->Sub, &got, item.Packet.get()) < 0 || !got) continue;
    if (sub->Sub.format != 0) continue;  // only bitmap subtitles are drawn
    for (unsigned i = 0; i < sub->Sub.num_rects; ++i) ConvertPaletteToYuva(*sub->Sub.rects[i]);
    pb.Subpictures.Push(std::move(sub));
  }
}

}  // namespace zanto::player
