// A frame-hook library for the tests: marks each picture it sees and counts its releases.
#include <cstdint>
#include <cstdlib>

namespace {
struct TContext {
  int ArgumentCount;
};
int ReleaseCount = 0;
}  // namespace

struct THookPicture {
  uint8_t* data[4];
  int linesize[4];
};

extern "C" {

int Configure(void** context, int argc, char* argv[]) {
  if (argc > 1 && argv[1][0] == '!') return 1;  // asked to refuse
  *context = new TContext{argc};
  return 0;
}

void Process(void* context, THookPicture* picture, int, int, int, int64_t pts) {
  picture->data[0][0] = static_cast<uint8_t>(static_cast<TContext*>(context)->ArgumentCount);
  picture->data[0][1] = static_cast<uint8_t>(pts);
}

void Release(void* context) {
  delete static_cast<TContext*>(context);
  ++ReleaseCount;
}

int TestHookReleaseCount() { return ReleaseCount; }
}
