#pragma once

#include <QProcess>
#include <QString>

// A virtual X display for a test that runs the real application: started on a free display
// number, which the server reports itself, and stopped when the object goes.
class XvfbDisplay
{
public:
    XvfbDisplay();
    ~XvfbDisplay();

    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool isRunning() const { return !name_.isEmpty(); }
    // ":N", for DISPLAY.
    const QString& name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};
