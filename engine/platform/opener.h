// Opening a document or web address with the user's preferred application.
#ifndef NIMBREL_PLATFORM_OPENER_H
#define NIMBREL_PLATFORM_OPENER_H

// The environment variable that replaces the opener program (default "xdg-open"). Tests set it
// to a script that records what it was asked to open.
#define NIMBREL_OPENER_VARIABLE "NIMBREL_OPENER"

// Starts the opener with the document as its one argument. True when it was started.
bool OpenDocument(const char* document);

#endif
