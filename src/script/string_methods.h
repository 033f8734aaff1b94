// The methods of string values (s.Left(3), s.Find("x")); they work on a copy.
#pragma once

#include <string>
#include <string_view>

#include "script/script_object.h"

namespace ostrane::script {

CScriptValue CallStringMethod(std::string_view method, const std::string& text, CScriptArgs& args);

}  // namespace ostrane::script
