// The port list from a sysfs tree and a virtual folder made for the test.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

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
  void Tty(const std::string& name, bool device, const std::string& driver = "", const char* uartType = nullptr) {
    fs::path d = root / "tty" / name;
    fs::create_directories(d);
    if (uartType) std::ofstream(d / "type") << uartType << "\n";
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
  t.Tty("ttyS0", true, "port", "4");  // a 16550A, whatever the driver link is named
  t.Tty("ttyS1", true, "port", "0");  // an empty slot
  t.Tty("ttyAMA0", true, "pl011");
  t.Tty("tty5", false);                // a virtual terminal
  t.Tty("ptmx", false);
  t.Tty("rfcomm0", false);             // bound, not connected: no device yet
  t.Virtual("devsim1", "/dev/null");   // any existing character device
  t.Virtual("COM10", "/dev/null");
  t.Virtual("com2", "/dev/null");
  t.Virtual("COM3", "/dev/null");
  t.Virtual("gone", "/dev/pts/ostra-no-such");  // dangling: skipped
  std::vector<std::string> ports = {"stale"};
  ListSerialPorts(ports, t.sources);
  std::vector<std::string> expected = {"COM10",   "com2",    "COM3",  "devsim1", "rfcomm0",
                                       "ttyACM1", "ttyAMA0", "ttyS0", "ttyUSB0"};
  EXPECT_EQ(ports, expected);
}

// Opening a port raises DTR and RTS, which resets many devices: the list reads
// sysfs only, and a ttyS slot counts by its UART type, not by its driver's name.
TEST(PortList, TouchesNoDeviceAndSkipsEmptySlots) {
  Tree t;
  fs::create_directories(t.root / "dev");
  t.Tty("ttyS0", true, "serial8250", "4");
  t.Tty("ttyS1", true, "serial8250");       // no type: not known to be a UART
  t.Tty("ttyS2", true, "serial8250", "0");  // PORT_UNKNOWN
  t.Tty("ttyS3", true, "port");
  t.Tty("ttyUSB0", true, "ftdi_sio");
  for (const char* node : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0"}) std::ofstream(t.root / "dev" / node);
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, (t.root / "dev").c_str(), IN_OPEN | IN_ACCESS), 0);
  std::vector<std::string> ports;
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
  char events[4096];
  EXPECT_LE(read(watch, events, sizeof events), 0) << "a device node was opened while listing";
  close(watch);
}

// Only a folder of ours names ports, and a link there never stands in for a
// port of the system.
TEST(PortList, VirtualFolderTrustedOnlyWhenOurs) {
  Tree t;
  t.Tty("ttyS0", true, "port", "4");
  t.Tty("tty5", false);  // a virtual terminal: not a port, but the kernel's
  t.Virtual("devsim1", "/dev/null");
  t.Virtual("ttyS0", "/dev/null");
  t.Virtual("tty5", "/dev/null");
  t.Virtual("ttyEMU", "/dev/null");  // a name an emulator is often given
  std::vector<std::string> ports;
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, (std::vector<std::string>{"devsim1", "ttyEMU", "ttyS0"})) << "each kernel name once, from sysfs";
  EXPECT_EQ(PortDevicePath("ttyS0", t.sources), t.sources.devDir + "/ttyS0");
  EXPECT_EQ(PortDevicePath("tty5", t.sources), t.sources.devDir + "/tty5");
  EXPECT_EQ(PortDevicePath("ttyEMU", t.sources), t.sources.virtualDir + "/ttyEMU");
  EXPECT_EQ(PortDevicePath("devsim1", t.sources), t.sources.virtualDir + "/devsim1");
  // A USB adapter plugged in under a link's name: the link steps aside.
  t.Virtual("ttyUSB3", "/dev/null");
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, (std::vector<std::string>{"devsim1", "ttyEMU", "ttyS0", "ttyUSB3"}));
  EXPECT_EQ(PortDevicePath("ttyUSB3", t.sources), t.sources.virtualDir + "/ttyUSB3");
  t.Tty("ttyUSB3", true);
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, (std::vector<std::string>{"devsim1", "ttyEMU", "ttyS0", "ttyUSB3"}));
  EXPECT_EQ(PortDevicePath("ttyUSB3", t.sources), t.sources.devDir + "/ttyUSB3");

  fs::permissions(t.sources.virtualDir, fs::perms::others_write | fs::perms::group_write, fs::perm_options::add);
  ListSerialPorts(ports, t.sources);
  EXPECT_EQ(ports, (std::vector<std::string>{"ttyS0", "ttyUSB3"})) << "a folder others may write is not ours";
  EXPECT_EQ(PortDevicePath("devsim1", t.sources), t.sources.devDir + "/devsim1");
  fs::permissions(t.sources.virtualDir, fs::perms::others_write | fs::perms::group_write, fs::perm_options::remove);

  if (getuid() == 0) {
    ASSERT_EQ(lchown(t.sources.virtualDir.c_str(), 65534, 65534), 0);
    ListSerialPorts(ports, t.sources);
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyS0", "ttyUSB3"})) << "a folder of another user is not ours";
    EXPECT_EQ(PortDevicePath("devsim1", t.sources), t.sources.devDir + "/devsim1");
  }
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
