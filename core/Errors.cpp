#include "Errors.h"

namespace glintfall {

TOSError TOSError::FromCode(int code, const std::string& systemText)
{
    return TOSError("System Error.  Code: " + std::to_string(code) + ".\n" + systemText);
}

TOSError TOSError::WithoutCode()
{
    return TOSError("A call to an OS function failed");
}

TFileOpenError::TFileOpenError(const std::string& path)
    : TError("ファイル " + path + " は開けません")
{
}

TReadError::TReadError()
    : TError("ストリームからの読み込みエラー")
{
}

TInvalidGraphic::TInvalidGraphic()
    : TError("ビットマップイメージが不正です")
{
}

} // namespace glintfall
