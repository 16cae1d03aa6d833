// Byte layouts of the four device-information requests.
#include "display/device_info.h"

namespace glowtide {

namespace {

template <typename Call>
std::int32_t TriedRequest(Pause& pause, Call call) {
  std::int32_t result = 0;
  Tried(pause, [&] {
    result = call();
    return result == 0 || Refused(result);
  });
  return result;
}

}  // namespace

std::int32_t TriedGet(DisplayConfigPlatform& platform, Pause& pause, std::uint8_t* request) {
  return TriedRequest(pause, [&] { return platform.DisplayConfigGetDeviceInfo(request); });
}

std::int32_t TriedSet(DisplayConfigPlatform& platform, Pause& pause, std::uint8_t* request) {
  return TriedRequest(pause, [&] { return platform.DisplayConfigSetDeviceInfo(request); });
}

void WriteDeviceInfoHeader(std::uint8_t* bytes, std::int32_t type, std::uint32_t size,
                           const DisplayTarget& target) {
  WriteLittleEndian32(bytes + 0, static_cast<std::uint32_t>(type));
  WriteLittleEndian32(bytes + 4, size);
  WriteLittleEndian32(bytes + 8, target.adapterId.lowPart);
  WriteLittleEndian32(bytes + 12, static_cast<std::uint32_t>(target.adapterId.highPart));
  WriteLittleEndian32(bytes + 16, target.targetId);
}

DeviceInfoRequest<kSourceNameSize> SourceNameRequest(const DisplaySource& source) {
  DeviceInfoRequest<kSourceNameSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kGetSourceName, kSourceNameSize, source);
  return request;
}

DeviceInfoRequest<kTargetNameSize> TargetNameRequest(const DisplayTarget& target) {
  DeviceInfoRequest<kTargetNameSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kGetTargetName, kTargetNameSize, target);
  return request;
}

DeviceInfoRequest<kAdvancedColorInfoSize> AdvancedColorInfoRequest(const DisplayTarget& target) {
  DeviceInfoRequest<kAdvancedColorInfoSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kGetAdvancedColorInfo, kAdvancedColorInfoSize,
                        target);
  return request;  // value word, colour encoding and bits per channel stay 0
}

DeviceInfoRequest<kAdvancedColorStateSize> AdvancedColorStateRequest(const DisplayTarget& target,
                                                                     bool enable) {
  DeviceInfoRequest<kAdvancedColorStateSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kSetAdvancedColorState, kAdvancedColorStateSize,
                        target);
  WriteLittleEndian32(request.bytes.data() + 20, enable ? 1u : 0u);  // only bit 0 is ever set
  return request;
}

DeviceInfoRequest<kAdvancedColorInfo2Size> AdvancedColorInfo2Request(const DisplayTarget& target) {
  DeviceInfoRequest<kAdvancedColorInfo2Size> request;
  WriteDeviceInfoHeader(request.bytes.data(), kGetAdvancedColorInfo2, kAdvancedColorInfo2Size,
                        target);
  return request;
}

DeviceInfoRequest<kHdrStateSize> HdrStateRequest(const DisplayTarget& target, bool enable) {
  DeviceInfoRequest<kHdrStateSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kSetHdrState, kHdrStateSize, target);
  WriteLittleEndian32(request.bytes.data() + 20, enable ? 1u : 0u);
  return request;
}

DeviceInfoRequest<kSdrWhiteLevelReadSize> SdrWhiteLevelReadRequest(const DisplayTarget& target) {
  DeviceInfoRequest<kSdrWhiteLevelReadSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kGetSdrWhiteLevel, kSdrWhiteLevelReadSize, target);
  return request;
}

DeviceInfoRequest<kSdrWhiteLevelSetSize> SdrWhiteLevelSetRequest(const DisplayTarget& target,
                                                                 std::uint32_t level) {
  DeviceInfoRequest<kSdrWhiteLevelSetSize> request;
  WriteDeviceInfoHeader(request.bytes.data(), kSetSdrWhiteLevel, kSdrWhiteLevelSetSize, target);
  WriteLittleEndian32(request.bytes.data() + 20, level);
  request.bytes[24] = 1;  // the flag byte is always 1; the three bytes after it stay 0
  return request;
}

}  // namespace glowtide
