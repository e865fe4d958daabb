#include "store/ContactGroupPair.h"

CContactGroupPair::~CContactGroupPair() = default;
