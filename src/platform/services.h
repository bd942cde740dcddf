#pragma once

namespace vdn {

class MessageBoxes;
class Clock;
class Pointer;
class RemovableDrives;

// The desktop facilities a window uses, passed in through its constructor.
// The program uses the real ones; tests and the benchmark scripted ones.
struct Services {
    MessageBoxes* boxes = nullptr;
    Clock* clock = nullptr;
    Pointer* pointer = nullptr;
    RemovableDrives* drives = nullptr; // backup destinations; none when null
};

} // namespace vdn
