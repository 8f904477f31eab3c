#pragma once

namespace velmora::core {

struct AppContext;

// The device index for the next Dial or AcceptCall: the entry chosen in
// ListAudioIn / ListAudioOut minus 1 ("Default Device" gives -1). A chosen
// device the engine no longer has under that name (unplugged since the list
// was filled) gives -1: the list goes back to "Default Device" and a status
// line says so, once.
long inputDeviceForCall(AppContext& app);
long outputDeviceForCall(AppContext& app);

}  // namespace velmora::core
