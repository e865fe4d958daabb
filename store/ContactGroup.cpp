#include "store/ContactGroup.h"

CContactGroup::~CContactGroup() = default;
