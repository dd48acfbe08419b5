// The "Direct 3D settings" box of the 3D page and the names of the Direct3D 9
// surface formats it shows.
#include <cstring>

#include "OptionsDialog.h"

namespace {

constexpr int FourCC(char a, char b, char c, char d) {
  return static_cast<int>(static_cast<unsigned>(static_cast<unsigned char>(a)) |
                          (static_cast<unsigned>(static_cast<unsigned char>(b)) << 8) |
                          (static_cast<unsigned>(static_cast<unsigned char>(c)) << 16) |
                          (static_cast<unsigned>(static_cast<unsigned char>(d)) << 24));
}

struct FormatName {
  int value;
  const char* name;
};

const FormatName kFormats[] = {
    {20, "R8G8B8"},        {21, "A8R8G8B8"},        {22, "X8R8G8B8"},     {23, "R5G6B5"},
    {24, "X1R5G5B5"},      {25, "A1R5G5B5"},        {26, "A4R4G4B4"},     {27, "R3G3B2"},
    {28, "A8"},            {29, "A8R3G3B2"},        {30, "X4R4G4B4"},     {31, "A2B10G10R10"},
    {32, "A8B8G8R8"},      {33, "X8B8G8R8"},        {34, "G16R16"},       {35, "A2R10G10B10"},
    {36, "A16B16G16R16"},  {40, "A8P8"},            {41, "P8"},           {50, "L8"},
    {51, "A8L8"},          {52, "A4L4"},            {60, "V8U8"},         {61, "L6V5U5"},
    {62, "X8L8V8U8"},      {63, "Q8W8V8U8"},        {64, "V16U16"},       {67, "A2W10V10U10"},
    {FourCC('U', 'Y', 'V', 'Y'), "UYVY"},           {FourCC('R', 'G', 'B', 'G'), "R8G8_B8G8"},
    {FourCC('Y', 'U', 'Y', '2'), "YUY2"},           {FourCC('G', 'R', 'G', 'B'), "G8R8_G8B8"},
    {FourCC('D', 'X', 'T', '1'), "DXT1"},           {FourCC('D', 'X', 'T', '2'), "DXT2"},
    {FourCC('D', 'X', 'T', '3'), "DXT3"},           {FourCC('D', 'X', 'T', '4'), "DXT4"},
    {FourCC('D', 'X', 'T', '5'), "DXT5"},           {FourCC('M', 'E', 'T', '1'), "MULTI2_ARGB8"},
    {70, "D16_LOCKABLE"},  {71, "D32"},             {73, "D15S1"},        {75, "D24S8"},
    {77, "D24X8"},         {79, "D24X4S4"},         {80, "D16"},          {81, "L16"},
    {82, "D32F_LOCKABLE"}, {83, "D24FS8"},          {100, "VERTEXDATA"},  {101, "INDEX16"},
    {102, "INDEX32"},      {110, "Q16W16V16U16"},   {111, "R16F"},        {112, "G16R16F"},
    {113, "A16B16G16R16F"}, {114, "R32F"},          {115, "G32R32F"},     {116, "A32B32G32R32F"},
    {117, "CxV8U8"},
};

// The depth/stencil formats the box offers (its list shows them sorted).
const FormatName kDepthFormats[] = {{70, "D3DFMT_D16_LOCKABLE"}, {71, "D3DFMT_D32"},   {73, "D3DFMT_D15S1"},
                                    {75, "D3DFMT_D24S8"},        {77, "D3DFMT_D24X8"}, {79, "D3DFMT_D24X4S4"},
                                    {80, "D3DFMT_D16"}};

struct IntervalName {
  unsigned value;
  const char* name;
};
const IntervalName kIntervals[] = {{0, "D3DPRESENT_INTERVAL_DEFAULT"}, {1, "D3DPRESENT_INTERVAL_ONE"},
                                   {2, "D3DPRESENT_INTERVAL_TWO"},     {4, "D3DPRESENT_INTERVAL_THREE"},
                                   {8, "D3DPRESENT_INTERVAL_FOUR"},    {0x80000000u, "D3DPRESENT_INTERVAL_IMMEDIATE"}};

constexpr int kDepthCombo = 1031, kIntervalCombo = 1032, kMipCombo = 1044, kVertexCombo = 1045;

}  // namespace

CString GetD3DFormatName(int format, bool prefix) {
  for (const FormatName& f : kFormats)
    if (f.value == format) return prefix ? CString("D3DFMT_") + f.name : CString(f.name);
  return "Unknown format";
}

BOOL Options10::OnInitDialog() {
  CDialog::OnInitDialog();
  for (const FormatName& f : kDepthFormats) AfxAddComboString(this, kDepthCombo, f.name);
  AfxSetComboText(this, kDepthCombo, GetD3DFormatName(m_depthStencilFormat, true).c_str());
  const char* interval = "";
  for (const IntervalName& i : kIntervals) {
    AfxAddComboString(this, kIntervalCombo, i.name);
    if (i.value == m_presentInterval) interval = i.name;
  }
  AfxSetComboText(this, kIntervalCombo, interval);
  AfxAddComboString(this, kMipCombo, "ACTIVE");
  AfxAddComboString(this, kMipCombo, "DESACTIVE");
  AfxSetComboText(this, kMipCombo, m_mipMapping == 0 ? "DESACTIVE" : m_mipMapping == 1 ? "ACTIVE" : "");
  for (const char* name : {"HARDWARE", "MIXED", "SOFTWARE"}) AfxAddComboString(this, kVertexCombo, name);
  const char* vertex = m_vertexProcessing == 0 ? "SOFTWARE" : m_vertexProcessing == 1 ? "MIXED"
                       : m_vertexProcessing == 2 ? "HARDWARE" : "";
  AfxSetComboText(this, kVertexCombo, vertex);
  return TRUE;
}

void Options10::OnOK() {
  auto text = [this](int id) {
    CString t = AfxGetComboText(this, id);
    return t.GetLength() > 49 ? t.Left(49) : t;
  };
  const CString depth = text(kDepthCombo);
  for (const FormatName& f : kDepthFormats)
    if (depth == f.name) m_depthStencilFormat = f.value;
  const CString interval = text(kIntervalCombo);
  for (const IntervalName& i : kIntervals)
    if (interval == i.name) m_presentInterval = i.value;
  // Text typed that names no entry leaves the setting as it was, like the
  // format and the interval.
  const CString mip = text(kMipCombo);
  if (mip == "ACTIVE") m_mipMapping = 1;
  if (mip == "DESACTIVE") m_mipMapping = 0;
  const CString vertex = text(kVertexCombo);
  if (vertex == "SOFTWARE") m_vertexProcessing = 0;
  if (vertex == "MIXED") m_vertexProcessing = 1;
  if (vertex == "HARDWARE") m_vertexProcessing = 2;
  EndDialog(IDOK);
}
