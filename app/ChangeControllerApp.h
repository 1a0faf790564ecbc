// The application object: runs the main dialog once and ends the program when it closes.
#pragma once

#include "framework/App.h"

namespace cc {

class CChangeControllerApp : public fw::CWinApp {
public:
    BOOL InitInstance() override;
};

}  // namespace cc
