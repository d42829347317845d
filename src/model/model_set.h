#pragma once
// The catalogue's model numbers by name, and small constant sets of models, as the definition
// tables and the multi-bit fields name them.
#include <cstdint>
#include <initializer_list>

#include "model/catalogue.h"

namespace kestrova {

namespace models {
constexpr ModelNo RT3200 = 1;
constexpr ModelNo RT5500 = 3;
constexpr ModelNo RT6100 = 4;
constexpr ModelNo RT4300 = 6;
constexpr ModelNo KD240 = 7;
constexpr ModelNo KD250 = 8;
constexpr ModelNo RT5600 = 9;
constexpr ModelNo RT4300X = 10;
constexpr ModelNo RT5602 = 11;
constexpr ModelNo RT5502 = 12;
constexpr ModelNo RT5500E = 13;
constexpr ModelNo RT6400K = 14;
constexpr ModelNo RT5503 = 15;
constexpr ModelNo MV7500 = 16;
constexpr ModelNo MV7120SK = 17;
constexpr ModelNo RT3206 = 18;
constexpr ModelNo RT3207 = 19;
}  // namespace models

// A set of model numbers 1..31. Model number 0 (no model) is never a member.
class ModelSet {
 public:
  constexpr ModelSet() = default;
  constexpr ModelSet(std::initializer_list<ModelNo> list) {
    for (ModelNo m : list)
      if (m > 0 && m < 32) bits_ |= std::uint32_t{1} << m;
  }

  constexpr bool contains(ModelNo m) const { return m > 0 && m < 32 && ((bits_ >> m) & 1u) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr bool intersects(ModelSet other) const { return (bits_ & other.bits_) != 0; }
  constexpr bool operator==(ModelSet other) const { return bits_ == other.bits_; }
  constexpr bool operator!=(ModelSet other) const { return bits_ != other.bits_; }

 private:
  std::uint32_t bits_ = 0;
};

// Every model of the catalogue.
constexpr ModelSet kAllModels{models::RT3200,  models::RT5500,  models::RT6100,  models::RT4300,
                              models::KD240,   models::KD250,   models::RT5600,  models::RT4300X,
                              models::RT5602,  models::RT5502,  models::RT5500E, models::RT6400K,
                              models::RT5503,  models::MV7500,  models::MV7120SK, models::RT3206,
                              models::RT3207};

}  // namespace kestrova
