#pragma once
// What the live aircraft engine asks of the registration database: the aircraft database's queries.
#include "livery/aircraft_db.h"
