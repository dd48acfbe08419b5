// File menu: open a configuration file, save the settings under a name, and
// import the first version's configuration file, each through the file
// chooser. The file formats are the settings base's.
#include "Dialog.h"
#include "Nuvarine2View.h"

namespace {

bool ChooseFile(bool open, const ConfigurationFileDialog& texts, CString& path) {
  return AfxChooseFile(open ? TRUE : FALSE, texts.defaultExtension, nullptr, texts.filter, nullptr, path) != FALSE;
}

}  // namespace

void CNuvarine2View::OnFileOpen() {
  CString path;
  if (!ChooseFile(true, OpenDialogTexts(), path)) return;
  const SettingsCommandResult result = OpenConfigurationFile(path);
  if (!result.message.IsEmpty()) ::MessageBox(GetSafeHwnd(), result.message.c_str(), "Nuvarine 2.0", MB_OK);
  // The 3D settings just read take effect on a new device.
  if (result.done) ResetObjectsForSwitch();
}

void CNuvarine2View::OnFileSaveAs() {
  CString path;
  if (!ChooseFile(false, SaveAsDialogTexts(), path)) return;
  const SettingsCommandResult result = SaveConfigurationFileAs(path);
  if (!result.message.IsEmpty()) ::MessageBox(GetSafeHwnd(), result.message.c_str(), "Nuvarine 2.0", MB_OK);
}

void CNuvarine2View::OnImportConfigurationV1() {
  CString path;
  if (!ChooseFile(true, ImportV1DialogTexts(), path)) return;
  const SettingsCommandResult result = ImportConfigurationV1(path);
  if (!result.message.IsEmpty()) ::MessageBox(GetSafeHwnd(), result.message.c_str(), "Nuvarine 2.0", MB_OK);
}

void CNuvarine2View::MapConfigurationFileCommands() {
  MapCommand(57601, [this] { OnFileOpen(); });
  MapCommand(57604, [this] { OnFileSaveAs(); });
  MapCommand(230, [this] { OnImportConfigurationV1(); });
  MapCommand(32822, [this] { OnConfiguration(); });
}
