// <windows.h> first, with all its macros (no NOMINMAX, no WIN32_LEAN_AND_MEAN),
// then every core header: the Windows view includes them this way. A macro that
// renamed one of our names would show here as a compile or link error.
#include <windows.h>
#include <shellapi.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "firmware/Firmware.h"
#include "firmware/FirmwareTexts.h"
#include "forms/Ascii.h"
#include "forms/Controls.h"
#include "forms/Cp1251.h"
#include "forms/Errors.h"
#include "forms/Gauge.h"
#include "forms/Keys.h"
#include "forms/Shell.h"
#include "forms/Synchronizer.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"
#include "protocol/wire/Wire.h"
#include "serial/BCPort.h"
#include "serial/CommLayer.h"
#include "serial/Messages.h"
#include "serial/PortList.h"
#include "ui/Layout.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"
#include "ui/Unit1.h"
#include "ui/Unit1Texts.h"

namespace {

TEST(HeadersAfterWindows, OurNamesKeepTheirMeaning) {
  // Defined out of line in the core, which never sees <windows.h>: a renamed
  // setter would not link.
  serial::TBComPort port;
  port.SetPort("COM9");
  EXPECT_EQ(port.Port(), "COM9");

  // The system's macros and our constants agree where both exist.
  EXPECT_EQ(MB_ICONHAND, 16u);
  EXPECT_EQ(MB_ICONASTERISK, 64u);
  EXPECT_EQ(SW_SHOW, 5);
  EXPECT_EQ(VK_F1, 112);
  EXPECT_EQ(VK_DELETE, 46);
  EXPECT_EQ(serial::EventsToMask(serial::TPortEvents{serial::peRxChar, serial::peError}), EV_RXCHAR | EV_ERR);

  // The system's min and max macros do not reach our headers' code.
  forms::TGauge gauge{nullptr, "ProgressbarReadWrite"};
  gauge.SetMaxValue(10);
  gauge.SetProgress(25);
  EXPECT_EQ(gauge.Progress(), 10);
}

}  // namespace
