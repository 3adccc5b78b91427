// The text that names a control for assistive technology when it has none of its own: the label
// (or check box) just above it, else the group box it sits in, found from the template's geometry
// as the platform's screen readers find a control's label on screen.
#pragma once

#include "platform/internal/inside.h"

#include "platform/resources.h"

// nullptr for a control that is named by its own text, or that nothing labels.
const char* LabellingText(const DialogTemplate& t, const DialogItemTemplate& item);

// The label or check box just above the control that names it (else one just to its left on the
// same line), or nullptr; a renamed label renames the control it names.
const DialogItemTemplate* LabelAbove(const DialogTemplate& t, const DialogItemTemplate& item);
