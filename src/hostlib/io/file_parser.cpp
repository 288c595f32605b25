#include "hostlib/io/file_parser.h"

#include "hostlib/io/file_io_frame.h"

CFileParser::~CFileParser() = default;

IoShowDialog CFileParser::MustShowDialog() { return IO_DIALOG_YES; }

std::uint32_t CFileParser::GetFileClass() const { return m_io.GetFileClass(); }

void CFileParser::SetIoError(int code, int level, const std::string& text) {
  m_io.SetIoError(code, level, text);
}
