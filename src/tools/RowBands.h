#pragma once
// Splits a per-row pass over a picture into bands of rows run on several threads at once.
#include <functional>

namespace zanto::tools {

// Calls pass(firstRow, endRow) for consecutive bands that together cover rows 0..height-1. With
// threadCount above 1 the bands run at the same time, one of them on the calling thread; the
// call returns when all are done. pass must touch only its own rows and must not throw. Small
// pictures are not split: starting a thread would cost more than it saves.
void ForEachRowBand(int height, int threadCount, const std::function<void(int, int)>& pass);

}  // namespace zanto::tools
