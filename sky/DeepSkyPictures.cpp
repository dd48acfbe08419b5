// The deep-sky picture list and its file "\Textures\CP\CP.ini": one section
// per picture, in list order.
#include "CString.h"
#include "IniFile.h"
#include "InstallPath.h"
#include "SkyModel.h"

DeepSkyPicture g_deepSkyPictures[kDeepSkyPictureLimit + 1] = {{CString(), -1, 1.0f, 0.0f, 0.0f, 0.0f}};

namespace {

const char* const kPictureFile = "\\Textures\\CP\\CP.ini";

CString SectionName(int i) {
  CString section;
  section.Format("Object number %i", i);
  return section;
}

}  // namespace

bool CSkyModel::LoadDeepSkyPictures() {
  CIniFile ini;
  ini.Load(ResolveInstallPath(m_installFolder, kPictureFile).c_str());  // missing file: every key reads as missing
  int i = 0;
  for (;; ++i) {
    const CString section = SectionName(i);
    DeepSkyPicture& p = g_deepSkyPictures[i];
    p.fileName = ini.GetValue("File", section.c_str());
    p.scale = static_cast<float>(ini.GetDouble("Scale", section.c_str()));
    const long number = ini.GetInt("Number", section.c_str());
    p.objectNumber = static_cast<int32_t>(number);
    p.raOffset = static_cast<float>(ini.GetDouble("AD translation", section.c_str()));
    p.decOffset = static_cast<float>(ini.GetDouble("De translation", section.c_str()));
    p.rotation = static_cast<float>(ini.GetDouble("Rotation", section.c_str()));
    if (p.objectNumber < 0 || i >= kDeepSkyPictureLimit) break;
  }
  g_deepSkyPictures[i].objectNumber = -1;
  ini.Close();
  return true;
}

bool CSkyModel::SaveDeepSkyPictures() {
  CIniFile ini;
  ini.Create();
  ini.SetSectionComment("Deep Sky Objects Datas", "");
  for (int i = 0; i < kDeepSkyPictureLimit && g_deepSkyPictures[i].objectNumber != -1; ++i) {
    const DeepSkyPicture& p = g_deepSkyPictures[i];
    const CString section = SectionName(i);
    const char* s = section.c_str();
    ini.SetString("File", p.fileName.c_str(), "", s);
    ini.SetDouble("Scale", "", s, p.scale);
    ini.SetInt("Number", p.objectNumber, "", s);
    ini.SetDouble("AD translation", "", s, p.raOffset);
    ini.SetDouble("De translation", "", s, p.decOffset);
    ini.SetDouble("Rotation", "", s, p.rotation);
  }
  return ini.Save(ResolveInstallPath(m_installFolder, kPictureFile).c_str());
}
