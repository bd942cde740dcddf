#pragma once

namespace vdn {

class MessageBoxes;
class Clock;
class Pointer;
class PrintDialog;
class Spreadsheet;
class RemovableDrives;

// The desktop facilities a window uses, passed in through its constructor.
// The program uses the real ones; tests and the benchmark scripted ones.
struct Services {
    MessageBoxes* boxes = nullptr;
    Clock* clock = nullptr;
    Pointer* pointer = nullptr;
    // The session's current printer and its print dialog (printouts).
    PrintDialog* printDialog = nullptr;
    // The spreadsheet program that opens an exported file.
    Spreadsheet* spreadsheet = nullptr;
    RemovableDrives* drives = nullptr; // backup destinations; none when null
};

} // namespace vdn
