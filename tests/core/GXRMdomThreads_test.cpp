// One document read on several threads at once: each thread reads through
// its own copy of one reader and through DOM handles, and hands handles to
// the other threads, which use and drop them. CI runs this under
// ThreadSanitizer, which reports any unguarded access to the shared document.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"
#include "core/GXRMdom.h"
#include "reader/CGXRMreader.h"
#include "writer/CGXRMwriter.h"

namespace {

using gxrm::dom::Node;
using GXRM_objType_base::Type;
using gxrm_test::Gbk;

constexpr int kThreads = 4;
constexpr int kRounds = 12;
const char* const kFloors[] = {"1F", "2F", "屋面"};

// A model of three floors with an instance of every fourth type on each; its path.
std::string WriteModel() {
  CGXRMwriter writer;
  CGXRMnode info;
  writer.CreateGXRMinstance(info);
  writer.CreateProjFloorInfo(info);
  for (const char* floor : kFloors) {
    CGXRMnode floor_info;
    floor_info.AddAtt("FInfo002", Gbk(floor));
    writer.AddFloor(Gbk(floor), floor_info);
    for (int t = 0; t < 48; t += 4)
      writer.AddObj(Gbk(floor), CGXRMobj(Gbk(floor) + std::to_string(t), Type(t)));
  }
  const std::string path = gxrm_test::TempPath("dom_threads.gxrm");
  writer.SaveGXRMinstance(path);
  return path;
}

// What the reader's look-ups find: instance names, and the name of each "Type".
std::string ReadObjects(CGXRMreader& reader) {
  std::string seen;
  for (const char* floor : kFloors) {
    for (int t = 0; t < 48; t += 4) {
      std::vector<CGXRMobj> objs;
      reader.GetObjList(Gbk(floor), Type(t), objs);
      for (const CGXRMobj& obj : objs) seen += obj.GetName() + ";";
      IXMLDOMElementPtr type;
      reader.GetObjInstanceNode(Gbk(floor), Type(t), type);
      seen += type.nodeName() + ";";
    }
  }
  return seen;
}

// Every node name, attribute and text, walked through handles that are
// copied, moved and dropped as the walk goes.
std::string WalkDom(const Node& top) {
  std::string seen;
  std::vector<Node> pending{top};
  while (!pending.empty()) {
    Node n = std::move(pending.back());
    pending.pop_back();
    seen += n.nodeName() + "=" + n.nodeTypedValue() + ";";
    for (Node a : n.attributes()) seen += a.nodeName() + "=" + a.text() + ";";
    for (Node c = n.firstChild(); c; c = c.nextSibling()) pending.push_back(c);
  }
  return seen;
}

// Handles made on one thread, taken, used and dropped by another.
class Mailbox {
 public:
  void Post(Node n) {
    std::lock_guard<std::mutex> hold(lock_);
    nodes_.push_back(std::move(n));
  }
  std::string TakeAll() {
    std::vector<Node> taken;
    {
      std::lock_guard<std::mutex> hold(lock_);
      taken.swap(nodes_);
    }
    std::string names;
    for (const Node& n : taken) names += n.nodeName();
    return names;
  }

 private:
  std::mutex lock_;
  std::vector<Node> nodes_;
};

// Lets the threads start each round together.
class Barrier {
 public:
  explicit Barrier(int count) : count_(count) {}
  void Wait() {
    std::unique_lock<std::mutex> hold(lock_);
    const int round = round_;
    if (++waiting_ == count_) {
      waiting_ = 0;
      ++round_;
      next_round_.notify_all();
      return;
    }
    next_round_.wait(hold, [&] { return round != round_; });
  }

 private:
  std::mutex lock_;
  std::condition_variable next_round_;
  const int count_;
  int waiting_ = 0;
  int round_ = 0;
};

TEST(DomThreads, SeveralThreadsReadOneDocumentAndTradeHandles) {
  const std::string path = WriteModel();
  CGXRMreader expected_reader;
  ASSERT_TRUE(expected_reader.LoadGXRMfile(path));
  const std::string expected_objects = ReadObjects(expected_reader);
  IXMLDOMElementPtr expected_root;
  expected_reader.GetRootElem(expected_root);
  const std::string expected_dom = WalkDom(expected_root);
  const std::string expected_xml = expected_root.ownerDocument().xml();

  // One document per round, on which nothing is looked up before the
  // threads start together, so that they build its caches at the same time.
  std::vector<CGXRMreader> shared(kRounds);
  for (CGXRMreader& reader : shared) ASSERT_TRUE(reader.LoadGXRMfile(path));
  Barrier barrier(kThreads);
  Mailbox mailbox;
  std::vector<int> errors(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < kRounds; ++round) {
        barrier.Wait();
        CGXRMreader reader = shared[round];
        errors[i] += ReadObjects(reader) != expected_objects;
        IXMLDOMElementPtr root;
        reader.GetRootElem(root);
        if (round % kThreads == i)
          errors[i] += WalkDom(root) != expected_dom || root.ownerDocument().xml() != expected_xml;
        mailbox.Post(root);
        mailbox.Post(root.firstChild());
        mailbox.TakeAll();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(errors, std::vector<int>(kThreads, 0));
}

}  // namespace
