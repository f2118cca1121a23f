#pragma once
// Long work (loading a large file, appending many rows) reports its progress
// here and learns whether the user wants it stopped. The running program
// shows a progress dialog with a Cancel button; the tests script the cancel.
#include <QString>

namespace rv {

class Progress {
public:
    virtual ~Progress() = default;

    // A piece of work of `total` steps starts; `label` says what it is.
    virtual void begin(const QString& label, qint64 total) = 0;
    // `done` steps of the work are finished. False when the user asked to
    // stop: the caller then ends the work and undoes what it must.
    virtual bool advance(qint64 done) = 0;
    // The work has ended (finished or stopped).
    virtual void end() = 0;
};

// For callers that have nobody to show progress to.
class NoProgress : public Progress {
public:
    void begin(const QString&, qint64) override {}
    bool advance(qint64) override { return true; }
    void end() override {}
};

} // namespace rv
