#pragma once
// The base of every control that shows a title or an image strip: title, font, text colour,
// alignment and the frames of the image strip.
#include <string>

#include "widgets/core/MControl.h"

namespace DUI {

class Picture;
struct ImgResInfo;

// What text drawing needs to know of a font.
struct FontSpec {
  std::string face;
  int size = 14;  // pixels
  int style = FontStyleRegular;
};

class MControlFont : public MControl {
 public:
  MControlFont(MObject* parent, unsigned id, CRect rect, const char* title, int visible, int enabled, int response);
  ~MControlFont() override;
  const char* GetClassNameW() const override { return "MControlFont"; }

  virtual void SetTextFont(const std::string& face);
  virtual void SetTextColor(Color color);
  // An image strip from the library's own resources or from the skin folder; the image
  // belongs to the manager's cache. Returns 1 on success; on failure the old image stays.
  virtual int SetImage(unsigned resourceId, const std::string& type, int count);
  virtual int SetImage(const char* file, int count);

  std::string GetTitle() const { return GetControlTitle(); }
  void SetTitle(const char* title);
  void SetTitle(const std::string& title) { SetTitle(title.c_str()); }
  void SetAlignment(unsigned h);
  void SetVAlignment(unsigned v);
  void SetAlignment(unsigned h, unsigned v);
  void GetAlignment(unsigned& h, unsigned& v) const { h = m_hAlign; v = m_vAlign; }
  void SetFont(const char* face, int size, int style);
  void SetFontWidth(int size);
  int GetFontWidth() const { return m_fontSize; }
  void SetFontName(const std::string& face);
  const std::string& GetTextFont() const { return m_fontFace; }
  void SetFontStyle(int style) { m_fontStyle = style; }
  int GetFontStyle() const { return m_fontStyle; }
  Color GetTextColor() const { return m_textColor; }
  void SetTextRenderingHint(int hint) { m_renderingHint = hint; }
  int GetTextRenderingHint() const { return m_renderingHint; }
  const std::string& GetImagePath() const { return m_imagePath; }
  void SetImageCount(int count) { if (count > 0) m_imageCount = count; }
  int GetImageCount() const { return m_imageCount; }
  CSize GetImageSize() const { return CSize(m_imageFrameWidth, m_imageHeight); }
  Picture* GetImage() const { return m_image; }
  // The face as a private font family known to the manager; empty when none.
  std::string GetFontFamily(const char* face);
  // The cached font description, made on first use from face, size and style.
  const FontSpec& GetGDIFont();
  void ClearGDIFont() { m_fontValid = false; }

  // Draws one frame of the image strip stretched over the rectangle.
  void DrawImageFrameIndex(HDC& dc, CRect dest, int frame);

 protected:
  virtual void SetControlTitle(const char* title);
  virtual std::string GetControlTitle() const { return m_title; }

  std::string m_title;
  std::string m_fontFace;
  std::string m_imagePath;
  int m_fontSize;
  Color m_textColor = Color(0xFFFFFFFF);
  int m_fontStyle = FontStyleRegular;
  std::string m_fontFamily;
  unsigned m_hAlign = DT_LEFT;
  unsigned m_vAlign = DT_VCENTER;
  int m_renderingHint = 5;
  FontSpec m_font;
  bool m_fontValid = false;
  Picture* m_image = nullptr;
  int m_imageFrameWidth = 0;
  int m_imageHeight = 0;
  int m_imageCount = 4;

 private:
  int AdoptStrip(ImgResInfo* info, int count, const std::string& path);
};

}  // namespace DUI
