// The program's resource table: dialog templates, strings and bundled files.
#pragma once

#include "platform/resources.h"

const ResourceTable& LanspryResources();
