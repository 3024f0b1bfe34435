// The agent's platform on the emulated handheld: a host process working on the device folder that the
// emulator's RAPI.dll names in RAPI_EMULATOR_DEVICE. Device paths map into the folder's root\, the root search
// shows the volumes of device.ini as mounted volumes, and the free space is the emulator's own figure.
#pragma once

#include <string>

#include "agent_platform.h"
#include "emulated_device.h"

namespace agent {

class EmulatedHandheld : public Platform {
 public:
  // Reads the device folder and its device.ini once; without them every operation fails.
  EmulatedHandheld();

  PlatformStream* OpenStream(const char16_t* path, const char* mode) override;
  void WriteWideString(PlatformStream* stream, const char16_t* text) override;
  void WriteBlock(PlatformStream* stream, const void* data, std::size_t itemSize, std::size_t count) override;
  void CloseStream(PlatformStream* stream) override;

  PlatformSearch* FindFirst(const char16_t* pattern, FindRecord* record) override;
  bool FindNext(PlatformSearch* search, FindRecord* record) override;
  void FindClose(PlatformSearch* search) override;

  bool QueryFreeSpace(const char16_t* path, FreeSpace* space) override;

 private:
  bool HostSearchPattern(const char16_t* pattern, std::wstring* hostPattern) const;
  void Fill(const WIN32_FIND_DATAW& data, FindRecord* record) const;

  bool ready_ = false;
  std::wstring folder_;
  emu::DeviceConfig config_;
};

}  // namespace agent
