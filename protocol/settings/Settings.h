#pragma once
// A unit's settings as a whole, for the flows and programs above them: the catalogue, the value,
// its acceptance, the controls, the registers, the file's text, its input and output and messages, and the
// review before a save.
#include "protocol/settings/Acceptance.h"
#include "protocol/settings/Catalogue.h"
#include "protocol/settings/Codec.h"
#include "protocol/settings/ControlsAdapter.h"
#include "protocol/settings/FileIo.h"
#include "protocol/settings/Messages.h"
#include "protocol/settings/Review.h"
#include "protocol/settings/TextFormat.h"
#include "protocol/settings/UnitSettings.h"
