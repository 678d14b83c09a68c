// The port list from a sysfs tree and a virtual folder made for the test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "serial/PortList.h"

namespace fs = std::filesystem;
using namespace serial;

namespace {
struct Tree {
  fs::path root;
  PortSources sources;
  Tree() {
    root = fs::temp_directory_path() / ("ostra-ports-test-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "sys" / "devices" / "usb" / "driver-usb");
    fs::create_directories(root / "sys" / "drivers" / "serial8250");
    fs::create_directories(root / "sys" / "drivers" / "pl011");
    fs::create_directories(root / "tty");
    fs::create_directories(root / "virtual");
    sources.sysClassTty = (root / "tty").string();
    sources.devDir = (root / "dev").string();  // none: ttyS entries cannot be probed
    sources.virtualDir = (root / "virtual").string();
  }
  ~Tree() { fs::remove_all(root); }
  void Tty(const std::string& name, bool device, const std::string& driver = "") {
    fs::path d = root / "tty" / name;
    fs::create_directories(d);
    if (!device) return;
    fs::path dev = root / "sys" / "devices" / name;
    fs::create_directories(dev);
    if (!driver.empty()) fs::create_directory_symlink(root / "sys" / "drivers" / driver, dev / "driver");
    fs::create_directory_symlink(dev, d / "device");
  }
  void Virtual(const std::string& name, const std::string& target) {
    fs::create_symlink(target, root / "virtual" / name);
  }
};
}  // namespace

TEST(PortList, KernelPortsAndVirtualPortsSortedAsText) {
  Tree t;
  t.Tty("ttyUSB0", true);
  t.Tty("ttyACM1", true);
  t.Tty("ttyS0", true, "serial8250");  // its /dev node is missing: judged by the driver link
  t.Tty("ttyS1", true);                // no driver: an empty 8250 slot
  t.Tty("ttyAMA0", true, "pl011");
  t.Tty("tty5", false);                // a virtual terminal
  t.Tty("ptmx", false);
  t.Virtual("devsim1", "/dev/null");   // any existing character device
  t.Virtual("COM10", "/dev/null");
  t.Virtual("com2", "/dev/null");
  t.Virtual("COM3", "/dev/null");
  t.Virtual("gone", "/dev/pts/ostra-no-such");  // dangling: skipped
  std::vector<std::string> ports = {"stale"};
  ListSerialPorts(ports, t.sources);
  std::vector<std::string> expected = {"COM10", "com2", "COM3", "devsim1", "ttyACM1", "ttyAMA0", "ttyS0", "ttyUSB0"};
  EXPECT_EQ(ports, expected);
}

TEST(PortList, VirtualPortsAppearAndVanish) {
  Tree t;
  std::vector<std::string> ports;
  fs::remove_all(t.root / "virtual");
  ListSerialPorts(ports, t.sources);
  EXPECT_TRUE(ports.empty()) << "a missing virtual folder is just empty";
  fs::create_directories(t.root / "virtual");
  t.Virtual("devsim7", "/dev/null");
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, std::vector<std::string>{"devsim7"});
  fs::remove(t.root / "virtual" / "devsim7");
  ListSerialPorts(ports, t.sources);
  EXPECT_TRUE(ports.empty()) << "the caller's list is replaced as a whole";
}

TEST(PortList, UnreadableSourceLeavesTheListAlone) {
  Tree t;
  std::vector<std::string> ports = {"COM1", "COM2"};
  PortSources broken = t.sources;
  broken.sysClassTty = (t.root / "no-sysfs").string();
  try {
    ListSerialPorts(ports, broken);
    FAIL() << "no error";
  } catch (const EComPort& e) {
    EXPECT_STREQ(e.what(), messages::kRegistry);
  }
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM2"}));
}

TEST(PortList, DevicePathsAndTheVirtualFolder) {
  EXPECT_EQ(PortDevicePath("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(PortDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  std::string old = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
  fs::path runtime = fs::temp_directory_path() / ("ostra-rt-" + std::to_string(getpid()));
  fs::create_directories(runtime / "ostra-ports");
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(VirtualPortsFolder(), (runtime / "ostra-ports").string());
  fs::create_symlink("/dev/null", runtime / "ostra-ports" / "devsim1");
  EXPECT_EQ(PortDevicePath("devsim1"), (runtime / "ostra-ports" / "devsim1").string());
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(VirtualPortsFolder(), "/tmp/ostra-ports-" + std::to_string(getuid()));
  if (!old.empty()) setenv("XDG_RUNTIME_DIR", old.c_str(), 1);
  fs::remove_all(runtime);
}
