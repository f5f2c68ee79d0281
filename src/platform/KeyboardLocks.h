#pragma once

// The keyboard's lock keys as the display server keeps them.
// UI thread only (it talks over the application's display connection).
namespace KeyboardLocks {

// Whether Caps Lock is toggled on. On X11 the server's keyboard state (XKB's
// locked modifiers), which is right for every keyboard and every X server,
// LED or none. Elsewhere (Wayland, the offscreen platform) the caps-lock LEDs
// that Linux shows in sysfs, and false when there are none.
bool capsLockOn();

}  // namespace KeyboardLocks
