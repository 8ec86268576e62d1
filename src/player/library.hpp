#pragma once

namespace charplay {

// Keeps the video library and its decoders from writing into the frames,
// and leaves out the back-ends that hang or talk on damaged files. Variables
// the user set still win.
void quiet_library();

// Runs the library's per-frame work (grey conversion, reduction) on the
// calling thread; the decoder keeps its own threads.
void use_one_thread();

} // namespace charplay
