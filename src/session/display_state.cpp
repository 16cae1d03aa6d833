// The reads of a display's state, each tried like every other request.
#include "session/display_state.h"

#include "display/display_mode.h"
#include "display/sdr_white_level.h"

namespace glowtide {

DisplayState ReadDisplayState(Platform& platform, Pause& pause, const Display& display,
                              const Display& modeDisplay, const BrightnessTarget& brightness,
                              HdrModel* model, const std::vector<std::uint8_t>& codes) {
  DisplayState state;
  state.number = display.number;
  state.name = display.name;
  state.device = display.device;
  state.id = display.id;
  state.primary = display.primary;
  state.builtIn = display.builtIn;
  if (const HdrState hdr = ReadHdrState(platform, pause, display.target, model); hdr.ok)
    state.hdr = DisplayState::Hdr{hdr.supported, hdr.enabled};
  state.currentMode = CurrentMode(platform, modeDisplay.device);
  state.desktopMode = DesktopMode(platform, modeDisplay.device);
  state.modes = ListModes(platform, modeDisplay.device);
  if (const SdrWhiteLevel white = ReadSdrWhiteLevel(platform, pause, display.target); white.ok) {
    state.whiteLevel = white.level;
    state.whiteLevelNits = WhiteLevelNits(white.level);
  }
  const BrightnessReading reading =
      ReadDisplayBrightness(platform, platform, pause, brightness, true);
  state.panel = brightness.builtIn;
  state.settable = reading.settable;
  if (reading.value) {
    state.brightness = DisplayState::Brightness{reading.value->minimum, reading.value->current,
                                                reading.value->maximum};
  }
  // The codes named, the input source too: a report only reads.
  const std::vector<std::optional<VcpReading>> read =
      ReadVcpCodes(platform, pause, brightness, codes);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    state.codes.push_back({codes[i], read[i] ? std::optional(read[i]->current) : std::nullopt,
                           read[i] ? read[i]->maximum : 0});
  }
  return state;
}

DisplayPlan FoundValues(Platform& platform, Pause& pause, PhaseDisplay& entry,
                        const DisplayPlan& quit) {
  DisplayPlan found;
  if (quit.hdr) {
    if (const HdrState hdr = ReadHdrState(platform, pause, entry.display->target, &entry.model);
        hdr.ok)
      found.hdr = hdr.enabled;
  }
  if (quit.whiteLevel) {
    if (const SdrWhiteLevel white = ReadSdrWhiteLevel(platform, pause, entry.display->target);
        white.ok)
      found.whiteLevel = white.level;
  }
  if (quit.brightness) {
    const BrightnessReading reading =
        ReadDisplayBrightness(platform, platform, pause, entry.brightness, false);
    if (reading.value) found.brightness = reading.value->current;
  }
  if (quit.mode) {
    if (const std::optional<DisplayMode> mode = CurrentMode(platform, entry.monitorDisplay->device))
      found.mode = RequestFor(*mode);
  }
  found.codes = ShownCodes(platform, pause, entry.brightness, quit.codes);
  return found;
}

}  // namespace glowtide
