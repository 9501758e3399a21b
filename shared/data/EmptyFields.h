#pragma once

// What an update does with a text (or a register entry's odometer) given empty: keep what the
// column holds (callers that send only what they know), or clear it (the pages, whose fields show
// the whole record, so an empty field is one the user cleared).
enum class EmptyFields { KeepStored, Clear };
