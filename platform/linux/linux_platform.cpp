#include "platform/linux/linux_platform.h"

#include <filesystem>
#include <system_error>

#include "platform/linux/back_ends.h"

namespace tivolen {

std::string RunningProgramDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !program.has_parent_path()) {
    // Without /proc (a locked-down container) the working directory is the
    // best remaining guess; the startup entry starts us there.
    return std::filesystem::current_path(error).string();
  }
  return program.parent_path().string();
}

LinuxPlatform::LinuxPlatform(std::string_view caption)
    : messages_(std::string(caption)),
      screen_(makeScreen()),
      desktop_(makeDesktop(RunningProgramDirectory())),
      pictures_(makePictures()),
      platform_{
          RunningProgramDirectory(), files_,     processes_, keyboard_, messages_, clock_, random_,
          specialFolders_,           shortcuts_, *screen_,   *desktop_, *pictures_} {}

}  // namespace tivolen
