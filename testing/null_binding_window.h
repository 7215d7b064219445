#pragma once
// A main window that does nothing, for tests that bind drivers without one.

#include "client/devices/driver_binding.h"

namespace velmora::client {

class NullBindingWindow : public DriverBindingWindow {
public:
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void minimiseMainWindow() override {}
    void restoreMainWindow() override {}
    void abortExposureCycle() override {}
    bool hasImageWindow() const override { return false; }
    void closeImageWindow() override {}
    bool imageWindowIsActive() const override { return false; }
    int toolDialogsAttached() const override { return 1; }
};

} // namespace velmora::client
