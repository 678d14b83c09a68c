// Ports that appear while a watcher waits: told by the notification, once per
// appearance.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "serial/DeviceArrival.h"

namespace fs = std::filesystem;

namespace {

TEST(DeviceArrival, APortIsToldOncePerAppearanceAndOneAlreadyThereNever) {
  const fs::path root = fs::temp_directory_path() / ("ostra-arrival-test-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "tty");
  fs::create_directories(root / "virtual");
  fs::permissions(root / "virtual", fs::perms::owner_all);
  serial::PortSources sources;
  sources.sysClassTty = (root / "tty").string();
  sources.devDir = (root / "dev").string();
  sources.virtualDir = (root / "virtual").string();
  // A character device stands in for the simulator's pseudo-terminal.
  fs::create_symlink("/dev/null", root / "virtual" / "early");

  serial::DeviceArrival arrival(sources);
  EXPECT_TRUE(arrival.Wait(50).empty());
  fs::create_symlink("/dev/null", root / "virtual" / "bench1");
  EXPECT_EQ(arrival.Wait(5000), std::vector<std::string>{"bench1"});
  EXPECT_TRUE(arrival.Wait(50).empty());  // told once

  fs::remove(root / "virtual" / "bench1");
  EXPECT_TRUE(arrival.Wait(5000).empty());  // a port that went is no arrival
  fs::create_symlink("/dev/null", root / "virtual" / "bench1");
  EXPECT_EQ(arrival.Wait(5000), std::vector<std::string>{"bench1"});  // back: told again
  fs::remove_all(root);
}

}  // namespace
