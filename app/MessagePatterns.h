// The message patterns of the plain code, handed to the translation layer at start so a
// message made from one of them is shown in the interface language.
#pragma once

namespace folivex {

void RegisterProgramMessages();

} // namespace folivex
