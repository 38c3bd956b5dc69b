#include "widgets/core/MControlFont.h"

#include "widgets/core/MRender.h"
#include "widgets/core/Manager.h"
#include "widgets/core/PaintManager.h"
#include "widgets/core/Picture.h"

namespace DUI {

MControlFont::MControlFont(MObject* parent, unsigned id, CRect rect, const char* title, int visible, int enabled,
                           int response)
    : MControl(parent, id, rect, visible, enabled, response),
      m_title(title ? title : ""),
      m_fontFace(Manager::GetFontName()),
      m_fontSize(Manager::GetFontWidth()) {}

MControlFont::~MControlFont() = default;

void MControlFont::SetTextFont(const std::string& face) {
  m_fontFace = face;
  ClearGDIFont();
}

void MControlFont::SetTextColor(Color color) { m_textColor = color; }

int MControlFont::AdoptStrip(ImgResInfo* info, int count, const std::string& path) {
  if (!info || !info->image) return 0;
  m_imageCount = count > 0 ? count : 1;
  m_image = info->image;
  m_imageFrameWidth = info->frameWidth;
  m_imageHeight = info->height;
  m_imagePath = path;
  if (m_visible) UpdateControl(1, 0);
  return 1;
}

int MControlFont::SetImage(unsigned resourceId, const std::string& type, int count) {
  if (!m_manager) return 0;
  return AdoptStrip(m_manager->AddImgResInfo(resourceId, type, count, 0), count, std::string());
}

int MControlFont::SetImage(const char* file, int count) {
  if (!m_manager || !file || !*file) return 0;
  return AdoptStrip(m_manager->AddImgResInfo(file, count), count, file);
}

void MControlFont::SetTitle(const char* title) {
  ClearGDIFont();
  SetControlTitle(title);
  if (m_visible) UpdateControl(1, 0);
}

void MControlFont::SetControlTitle(const char* title) { m_title = title ? title : ""; }

void MControlFont::SetAlignment(unsigned h) { SetAlignment(h, m_vAlign); }
void MControlFont::SetVAlignment(unsigned v) { SetAlignment(m_hAlign, v); }

void MControlFont::SetAlignment(unsigned h, unsigned v) {
  if (h == m_hAlign && v == m_vAlign) return;
  m_hAlign = h;
  m_vAlign = v;
  if (m_visible) UpdateControl(1, 0);
}

void MControlFont::SetFont(const char* face, int size, int style) {
  m_fontFace = face ? face : "";
  m_fontSize = size;
  m_fontStyle = style;
  ClearGDIFont();
}

void MControlFont::SetFontWidth(int size) {
  m_fontSize = size;
  ClearGDIFont();
}

void MControlFont::SetFontName(const std::string& face) {
  m_fontFace = face;
  ClearGDIFont();
}

std::string MControlFont::GetFontFamily(const char* face) {
  if (!m_manager || !face) return std::string();
  m_fontFamily = m_manager->FindTempFont(face);
  return m_fontFamily;
}

const FontSpec& MControlFont::GetGDIFont() {
  if (!m_fontValid) {
    // Face names are limited as the native font description was (32 characters).
    m_font.face = m_fontFace.substr(0, 32);
    m_font.size = m_fontSize;
    m_font.style = m_fontStyle;
    m_fontValid = true;
  }
  return m_font;
}

void MControlFont::DrawImageFrameIndex(HDC& dc, CRect dest, int frame) {
  if (!m_image || m_imageFrameWidth <= 0) return;
  if (frame < 0 || frame >= m_imageCount) frame = 0;
  MRender::DrawImage(dc, m_image, dest, frame * m_imageFrameWidth, 0, m_imageFrameWidth, m_imageHeight);
}

}  // namespace DUI
