#include "ZelReferenceImage.h"

#include <cstring>
#include <stdexcept>

#include "ZelTestSupport.h"

namespace zeltest {

namespace {
constexpr uint32_t kNo = 0xFFFFFFFFu;
}

ReferenceImage::ReferenceImage() : bytes_(548, 0) {
  std::memcpy(bytes_.data(), "ZEL", 3);
  bytes_[4] = 2;
  write(Rec{-1, 0, 512, kNo, kNo, kNo, kNo});
}

ReferenceImage::Rec ReferenceImage::read(uint32_t at) const {
  Rec r;
  r.tag = static_cast<int32_t>(u32At(bytes_, at));
  r.len = u32At(bytes_, at + 4);
  r.pos = u32At(bytes_, at + 8);
  r.prevM = u32At(bytes_, at + 12);
  r.nextM = u32At(bytes_, at + 16);
  r.prevT = u32At(bytes_, at + 20);
  r.nextT = u32At(bytes_, at + 24);
  return r;
}

void ReferenceImage::write(const Rec& r) {
  if (bytes_.size() < r.pos + 36u) bytes_.resize(r.pos + 36u, 0);
  putU32(bytes_, r.pos, static_cast<uint32_t>(r.tag));
  putU32(bytes_, r.pos + 4, r.len);
  putU32(bytes_, r.pos + 8, r.pos);
  putU32(bytes_, r.pos + 12, r.prevM);
  putU32(bytes_, r.pos + 16, r.nextM);
  putU32(bytes_, r.pos + 20, r.prevT);
  putU32(bytes_, r.pos + 24, r.nextT);
  std::memset(bytes_.data() + r.pos + 28, 0, 8);
}

void ReferenceImage::append(const Rec& r, const std::string& data) {
  write(r);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
}

void ReferenceImage::add(int32_t tag, const std::string& data) {
  const uint32_t end = static_cast<uint32_t>(bytes_.size());
  Rec last = read(512);
  while (last.nextT != kNo && read(last.nextT).tag != tag) last = read(last.nextT);
  if (last.nextT != kNo) {  // the tag exists: walk to its last member
    Rec m = read(last.nextT);
    while (m.nextM != kNo) m = read(m.nextM);
    m.nextM = end;
    write(m);
    append(Rec{tag, static_cast<uint32_t>(data.size()), end, m.pos, kNo, kNo, kNo}, data);
  } else {
    last.nextT = end;
    write(last);
    append(Rec{tag, static_cast<uint32_t>(data.size()), end, kNo, kNo, last.pos, kNo}, data);
  }
}

void ReferenceImage::insertBefore(uint32_t position, const std::string& data) {
  const uint32_t end = static_cast<uint32_t>(bytes_.size());
  Rec cur = read(position);
  Rec item{cur.tag, static_cast<uint32_t>(data.size()), end, kNo, kNo, kNo, kNo};
  if (cur.prevM != kNo) {
    Rec p = read(cur.prevM);
    p.nextM = end;
    write(p);
    item.prevM = p.pos;
  } else {
    Rec q = read(cur.prevT);
    q.nextT = end;
    write(q);
    item.prevT = q.pos;
    if (cur.nextT != kNo) {
      Rec r = read(cur.nextT);
      r.prevT = end;
      write(r);
      item.nextT = r.pos;
    }
    cur.prevT = cur.nextT = kNo;
  }
  cur.prevM = end;
  item.nextM = cur.pos;
  write(cur);
  append(item, data);
}

void ReferenceImage::remove(uint32_t position) {
  const Rec cur = read(position);
  if (cur.prevM != kNo) {
    Rec p = read(cur.prevM);
    p.nextM = cur.nextM;
    write(p);
    if (cur.nextM != kNo) {
      Rec n = read(cur.nextM);
      n.prevM = cur.prevM;
      write(n);
    }
  } else if (cur.nextM == kNo) {
    Rec q = read(cur.prevT);
    q.nextT = cur.nextT;
    write(q);
    if (cur.nextT != kNo) {
      Rec r = read(cur.nextT);
      r.prevT = cur.prevT;
      write(r);
    }
  } else {
    Rec q = read(cur.prevT);
    q.nextT = cur.nextM;
    write(q);
    if (cur.nextT != kNo) {
      Rec r = read(cur.nextT);
      r.prevT = cur.nextM;
      write(r);
    }
    Rec n = read(cur.nextM);
    n.prevM = kNo;
    n.prevT = cur.prevT;
    n.nextT = cur.nextT;
    write(n);
  }
}

}  // namespace zeltest
