// The framework in one include: application, windows, dialogs, data exchange, controls and GDI objects.
#pragma once
#include "CmdTarget.h"
#include "Controls.h"
#include "Dialog.h"
#include "Gdi.h"
#include "unique_handle_win.h"
#include "latin1_text.h"
#include "WinApp.h"
#include "Wnd.h"
