#pragma once

namespace vdn {

// The mouse pointer: default or hourglass.
class Pointer {
public:
    virtual ~Pointer() = default;
    virtual void setBusy() = 0;
    virtual void setDefault() = 0;
    virtual bool isBusy() const = 0;
};

// Uses the application's override cursor.
class QtPointer : public Pointer {
public:
    void setBusy() override;
    void setDefault() override;
    bool isBusy() const override;
};

// Records the pointer's state, for tests.
class RecordingPointer : public Pointer {
public:
    void setBusy() override {
        busy_ = true;
        ++busyCount_;
    }
    void setDefault() override { busy_ = false; }
    bool isBusy() const override { return busy_; }
    int busyCount() const { return busyCount_; }

private:
    bool busy_ = false;
    int busyCount_ = 0;
};

// Shows the hourglass for the life of a handler and puts the default pointer
// back on every way out of it.
class BusyPointer {
public:
    explicit BusyPointer(Pointer& p) : p_(p) { p_.setBusy(); }
    ~BusyPointer() { p_.setDefault(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Pointer& p_;
};

} // namespace vdn
