#pragma once

#include "catalogue/Engine.h"
#include "exchange/ImportMessage.h"

// One engine as a browser's profile stores it, read by FirefoxSearchFile or
// ChromiumWebData. The name is always set; when `problem` is not empty the
// engine cannot be added and its URL is empty.
struct BrowserEngine
{
    Engine engine;
    ImportMessage problem;
};
