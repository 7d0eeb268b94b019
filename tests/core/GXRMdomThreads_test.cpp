// One document read on several threads at once through copies of one reader
// and DOM handles traded between threads; beside it each thread writes and
// reads a file of its own. CI runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/GXRMdom.h"
#include "model/ModelFixture.h"
#include "reader/CGXRMreader.h"

namespace {

using gxrm::dom::Node;
using GXRM_objType_base::Type;
using gxrm_test::Gbk;

constexpr int kThreads = 4;
constexpr int kRounds = 12;

// What the reader's look-ups find for every type on each floor: instance
// names and materials, and the name of each "Type".
std::string ReadObjects(CGXRMreader& reader) {
  std::string seen;
  for (const char* floor : {"1F", "2F"}) {
    for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
      std::vector<CGXRMobj> objs;
      reader.GetObjList(floor, Type(t), objs);
      for (const CGXRMobj& obj : objs) seen += obj.GetName() + obj.GetNamedAtt(Gbk("材质")) + ";";
      IXMLDOMElementPtr type;
      reader.GetObjInstanceNode(floor, Type(t), type);
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

TEST(DomThreads, SeveralThreadsReadOneDocumentAndTradeHandles) {
  const std::string path = gxrm_test::WriteModel("dom_threads.gxrm");
  CGXRMreader expected_reader;
  ASSERT_TRUE(expected_reader.LoadGXRMfile(path));
  const std::string expected_objects = ReadObjects(expected_reader);
  ASSERT_NE(expected_objects.find("KZ1-bC35;"), std::string::npos);
  IXMLDOMElementPtr expected_root;
  expected_reader.GetRootElem(expected_root);
  const std::string expected_dom = WalkDom(expected_root);
  const std::string expected_xml = expected_root.ownerDocument().xml();

  std::mutex mailbox_lock;
  std::vector<Node> mailbox;  // handles made on one thread, used and dropped on another
  std::vector<int> errors(kThreads, 0);
  for (int round = 0; round < kRounds; ++round) {
    // Nothing is looked up on the document before its threads build its caches together.
    CGXRMreader shared;
    ASSERT_TRUE(shared.LoadGXRMfile(path));
    std::atomic<int> started{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        for (++started; started < kThreads;) std::this_thread::yield();
        CGXRMreader reader = shared;
        errors[i] += ReadObjects(reader) != expected_objects;
        IXMLDOMElementPtr root;
        reader.GetRootElem(root);
        if (round % kThreads == i)
          errors[i] += WalkDom(root) != expected_dom || root.ownerDocument().xml() != expected_xml;
        std::vector<Node> taken = {root, root.firstChild()};
        {
          std::lock_guard<std::mutex> hold(mailbox_lock);
          mailbox.swap(taken);
        }
        for (const Node& n : taken) errors[i] += n.nodeName().empty();
        CGXRMreader own;
        errors[i] += !own.LoadGXRMfile(gxrm_test::WriteModel("dom_threads_" + std::to_string(i) + ".gxrm")) ||
                     ReadObjects(own) != expected_objects;
      });
    }
    for (std::thread& t : threads) t.join();
  }
  EXPECT_EQ(errors, std::vector<int>(kThreads, 0));
}

}  // namespace
