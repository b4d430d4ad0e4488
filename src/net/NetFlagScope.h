#pragma once

// Sets a flag for as long as the scope lives, however it ends; nested scopes leave the flag as they found it.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = previous_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};
