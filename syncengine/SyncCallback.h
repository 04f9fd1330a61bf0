#pragma once

// How the engine asks its driver whether to go on and tells it how far it is. Every operation
// that takes a callback accepts null: never cancelled, no progress.
class CSyncCallback {
public:
    virtual ~CSyncCallback() = default;
    // Asked before each item of every item loop; false ends the loop with result -2.
    virtual bool IsContinue() = 0;
    // The number of items and the index of the item at hand; the result is ignored.
    virtual int GetProgress(int nTotal, int nCurrent) = 0;
};
