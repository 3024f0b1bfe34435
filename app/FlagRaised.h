// Raises a flag for the lifetime of the object and puts back the value it found, on every way out.
#pragma once

class FlagRaised {
 public:
  explicit FlagRaised(bool& flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
  ~FlagRaised() { m_flag = m_previous; }
  FlagRaised(const FlagRaised&) = delete;
  FlagRaised& operator=(const FlagRaised&) = delete;

 private:
  bool& m_flag;
  bool m_previous;
};
