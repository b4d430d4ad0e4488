#pragma once

// Marks a check as running for as long as the scope lives; nested scopes leave the mark as they found it.
class TCheckScope {
public:
    explicit TCheckScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~TCheckScope() { flag_ = previous_; }
    TCheckScope(const TCheckScope&) = delete;
    TCheckScope& operator=(const TCheckScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};
