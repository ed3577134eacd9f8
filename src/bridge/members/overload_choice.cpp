// The choice among a name's overloads (or a class's constructors) for the arguments of one
// call: the closest that takes the arguments as they are, the most specific of equally close
// ones, and the order of their signatures where neither decides. getMethods reports a class's
// members in no fixed order (it differs between JVMs and between runs), so nothing the choice
// depends on is that order.
#include "bridge/members/overload_choice.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "convert/argument_fit.h"
#include "convert/com_to_java.h"
#include "convert/variant_refs.h"
#include "errors/tavlin_ex.h"
#include "util/holders.h"

namespace tavlin {

namespace {

// An optional argument the client left out, as VB, PowerShell and .NET pass one.
bool is_left_out(const VARIANT &argument) { return argument.vt == VT_ERROR && argument.scode == DISP_E_PARAMNOTFOUND; }

}  // namespace

// Arguments left out at the end are no arguments: Java has no optional parameters, and a client
// that fills a described function's optional parameters that way means the shorter overload.
CallArguments CallArguments::of(const DISPPARAMS *params)
{
    const int count = params ? static_cast<int>(params->cArgs) : 0;
    int given = count;
    if (params && params->cNamedArgs == 0)
        while (given > 0 && is_left_out(params->rgvarg[count - given])) --given;
    return given ? CallArguments(&params->rgvarg[count - 1], given, -1) : CallArguments(nullptr, 0, 1);
}

CallArguments CallArguments::in_order(const VARIANT *first, int count) { return CallArguments(first, count, 1); }

namespace {

// Whether the method takes `count` arguments; once its count is known, without asking Java.
bool takes(JNIEnv *env, const MethodTable &table, int index, int count)
{
    int32_t known = table.at(index).param_count.load(std::memory_order_relaxed);
    if (known >= 0) return known == count;
    return static_cast<int>(table.facts(env, index).parameters.size()) == count;
}

// Which arguments a conversion takes under the strict rule: all of them in an overload walk;
// in a lone method's call, none; for a candidate whose fit already vouched for every scalar,
// only the arrays, whose elements the fit did not look at.
enum class Strictness { None, ArraysOnly, All };

bool is_array_argument(const VARIANT *argument)
{
    const VARIANT *value = through_variant_reference(argument);
    return value && (value->vt & VT_ARRAY);
}

bool strict_for(Strictness strictness, const VARIANT *argument)
{
    return strictness == Strictness::All || (strictness == Strictness::ArraysOnly && is_array_argument(argument));
}

// Converts the first `count` arguments for the member's first `count` parameters.
void convert_leading(JNIEnv *env, const MethodFacts &facts, const CallArguments &arguments, int count,
                     Strictness strictness, PreparedArguments &args)
{
    for (int i = 0; i < count; ++i)
        convert_com_to_java(env, arguments[i], args, i, facts.parameter_type(i), strict_for(strictness, arguments[i]));
}

// A candidate's failure rules out that candidate; a failure of the VM itself (see
// TavlinEx::ends_the_call) is the call's, and no further candidate is tried for it.
TavlinEx *refusal_of_candidate(TavlinEx *error)
{
    if (error->ends_the_call()) throw error;
    return error;
}

// Converts the client's arguments for one candidate method.
void prepare_arguments(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                       Strictness strictness, PreparedArguments &args)
{
    const int count = arguments.size();
    if (!takes(env, table, index, count)) throw new TavlinEx("Invalid number of arguments.");
    try {
        convert_leading(env, table.facts(env, index), arguments, count, strictness, args);
    } catch (TavlinEx *) {
        args.release();
        throw;
    }
}

// A candidate that cannot take the arguments, seen without converting any: the wrong
// number of them, or one that the conversion refuses outright.
bool passed_over(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                 Strictness strictness)
{
    const int count = arguments.size();
    if (!takes(env, table, index, count)) return true;
    const MethodFacts &facts = table.facts(env, index);
    for (int i = 0; i < count; ++i)
        if (refused_outright(env, arguments[i], facts.parameter_type(i), strict_for(strictness, arguments[i])))
            return true;
    return false;
}

// Prepares the arguments for one candidate of a walk. Anything that fails for it, reading
// its reflection facts included, is that candidate's refusal, kept in `refusal`. With
// `look_first`, a candidate that the conversion would plainly refuse is passed over without
// building the error; the walk's last candidate is always converted, so that an error is
// reported, and the closest candidates were looked at already.
bool accepted(JNIEnv *env, const MethodTable &table, int index, bool look_first, Strictness strictness,
              const CallArguments &arguments, PreparedArguments &args, TavlinExPtr &refusal)
{
    try {
        if (look_first && passed_over(env, table, index, arguments, strictness)) return false;
        prepare_arguments(env, table, index, arguments, strictness, args);
        return true;
    } catch (TavlinEx *error) {
        // A refusal for the number of arguments says less than that of a member that takes
        // them, which is kept: the client learns why its arguments did not fit.
        TavlinExPtr taken(refusal_of_candidate(error));
        if (!refusal || takes(env, table, index, arguments.size())) refusal = std::move(taken);
        return false;
    }
}

// Whether member `a`'s signature sorts before `b`'s: by their parameter types' names, then by
// the whole declaration (a bridge method and the method it stands for differ only in their
// return types). An order that every JVM gives the same members.
bool signature_before(const MethodFacts &a, const MethodFacts &b)
{
    auto name_before = [](const MethodFacts::Parameter &x, const MethodFacts::Parameter &y) { return x.name < y.name; };
    if (std::lexicographical_compare(a.parameters.begin(), a.parameters.end(), b.parameters.begin(), b.parameters.end(),
                                     name_before))
        return true;
    if (std::lexicographical_compare(b.parameters.begin(), b.parameters.end(), a.parameters.begin(), a.parameters.end(),
                                     name_before))
        return false;
    return a.text < b.text;
}

// The name's members from `index` on, in the order of their signatures; one whose facts cannot
// be read comes last, where converting for it reports why.
std::vector<int> overloads_in_signature_order(JNIEnv *env, const MethodTable &table, int index)
{
    std::vector<std::pair<const MethodFacts *, int>> members;
    for (; index != -1; index = table.next_overload(env, index)) {
        const MethodFacts *facts = nullptr;
        try {
            facts = &table.facts(env, index);
        } catch (TavlinEx *error) {
            delete refusal_of_candidate(error);
        }
        members.emplace_back(facts, index);
    }
    std::stable_sort(members.begin(), members.end(), [](const auto &a, const auto &b) {
        return a.first && (!b.first || signature_before(*a.first, *b.first));
    });
    std::vector<int> order;
    order.reserve(members.size());
    for (const auto &member : members) order.push_back(member.second);
    return order;
}

// A candidate of an overloaded name and how closely the call's arguments fit it: the worst
// single fit first, then their sum, then the order of signatures (where specificity then
// reorders ties).
struct Candidate {
    int index;
    const MethodFacts *facts;
    int worst;
    int total;
    bool fits_as_closely_as(const Candidate &other) const { return worst == other.worst && total == other.total; }
    bool operator<(const Candidate &other) const
    {
        if (worst != other.worst) return worst < other.worst;
        if (total != other.total) return total < other.total;
        return signature_before(*facts, *other.facts);
    }
};

// The type that the argument at a position of a call goes to in a member.
using TypeAtPosition = JavaType (MethodFacts::*)(size_t) const;

// Whether member `a` is at least as specific as member `b`: over the first `positions`
// arguments of a call, each of a's types is a subtype of b's.
bool as_specific(JNIEnv *env, const MethodFacts &a, const MethodFacts &b, int positions, TypeAtPosition type_at)
{
    for (int i = 0; i < positions; ++i)
        if (!is_subtype(env, (a.*type_at)(i), (b.*type_at)(i))) return false;
    return true;
}

// Orders members given in signature order as Java prefers among namesakes that all take a
// call: each after every other that is strictly more specific than it (String before
// CharSequence before Object), signature order between the rest. `as_specific(a, b)` compares two. A lone
// member is compared with nothing.
template <class Iterator, class AsSpecific>
void most_specific_first(Iterator first, Iterator last, AsSpecific as_specific)
{
    using Member = typename std::iterator_traits<Iterator>::value_type;
    auto strictly = [&](const Member &a, const Member &b) { return as_specific(a, b) && !as_specific(b, a); };
    for (; first != last && std::next(first) != last; ++first) {
        Iterator chosen = std::find_if(first, last, [&](const Member &member) {
            return std::none_of(first, last, [&](const Member &other) { return strictly(other, member); });
        });
        if (chosen != last) std::rotate(first, chosen, std::next(chosen));
    }
}

// Among candidates that fit the call equally closely, puts the most specific first.
void prefer_most_specific(JNIEnv *env, int count, std::vector<Candidate> &candidates)
{
    auto as_specific_candidate = [&](const Candidate &a, const Candidate &b) {
        return as_specific(env, *a.facts, *b.facts, count, &MethodFacts::parameter_type);
    };
    for (auto tie = candidates.begin(); tie != candidates.end();) {
        auto after = std::find_if(tie, candidates.end(),
                                  [&](const Candidate &candidate) { return !candidate.fits_as_closely_as(*tie); });
        most_specific_first(tie, after, as_specific_candidate);
        tie = after;
    }
}

// Whether every argument fits the candidate without loss or a change of kind, and how closely.
bool fits(JNIEnv *env, const MethodTable &table, int index, const std::vector<ArgumentProfile> &arguments,
          Candidate &candidate)
{
    const int count = static_cast<int>(arguments.size());
    if (!takes(env, table, index, count)) return false;
    const MethodFacts &facts = table.facts(env, index);
    candidate = Candidate{index, &facts, 0, 0};
    for (int i = 0; i < count; ++i) {
        int fit = argument_fit(env, arguments[i], facts.parameter_type(i));
        if (fit == kRefused) return false;
        candidate.worst = std::max(candidate.worst, fit);
        candidate.total += fit;
    }
    return true;
}

// The overloads from `index` on that take every argument as it is, closest first.
std::vector<Candidate> closest_candidates(JNIEnv *env, const MethodTable &table, int index,
                                          const CallArguments &arguments)
{
    std::vector<ArgumentProfile> profiles;
    profiles.reserve(arguments.size());
    for (int i = 0; i < arguments.size(); ++i) profiles.push_back(profile_argument(arguments[i]));
    std::vector<Candidate> candidates;
    for (; index != -1; index = table.next_overload(env, index)) {
        Candidate candidate{};
        try {
            if (fits(env, table, index, profiles, candidate)) candidates.push_back(candidate);
        } catch (TavlinEx *error) {
            delete refusal_of_candidate(error);  // this candidate could not be looked at: not among the closest
        }
    }
    std::sort(candidates.begin(), candidates.end());
    prefer_most_specific(env, arguments.size(), candidates);
    return candidates;
}

// An overloaded name is resolved by closeness first: the candidate that takes every
// argument without loss and without changing its kind, the closest of them (so Math.max(2.5,
// 1.5) is max(double, double) whatever the table order), and of equally close ones the most
// specific (a TreeMap goes to (SortedMap) rather than (Map)). The fits vouch for every scalar,
// which then converts as a lone method's would (a currency into a double); only an array's
// elements, which no fit looked at, convert under the strict rule. Only when none qualifies
// are the overloads walked in the order of their signatures, each converted under the strict
// rule, and the first that accepts is taken; then only the last candidate's error is reported.
int choose_overload(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                    PreparedArguments &args)
{
    TavlinExPtr refusal;
    for (const Candidate &candidate : closest_candidates(env, table, index, arguments))
        if (accepted(env, table, candidate.index, false, Strictness::ArraysOnly, arguments, args, refusal))
            return candidate.index;
    const std::vector<int> walk = overloads_in_signature_order(env, table, index);
    for (size_t i = 0; i < walk.size(); ++i)
        if (accepted(env, table, walk[i], i + 1 != walk.size(), Strictness::All, arguments, args, refusal))
            return walk[i];
    throw refusal.release();
}

// A name with a single method converts as far as the platform's coercion allows.
int choose_as_given(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                    PreparedArguments &args)
{
    if (table.next_overload(env, index) != -1) return choose_overload(env, table, index, arguments, args);
    prepare_arguments(env, table, index, arguments, Strictness::None, args);
    return index;
}

// The arguments from `first` on, copied into a safe array of Variants in their order (a
// copy of an argument by reference still refers to the client's variable).
SafeArrayHolder packed(const CallArguments &arguments, int first)
{
    SafeArrayHolder array(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(arguments.size() - first)));
    if (!array) throw new TavlinEx("Unable to allocate safearray.");
    for (LONG i = 0; first + i < arguments.size(); ++i)
        if (FAILED(SafeArrayPutElement(array.get(), &i, const_cast<VARIANT *>(arguments[first + i]))))
            throw new TavlinEx("Unable to put safearray element.");
    return array;
}

// Converts the arguments for a method declared with variable arguments, its trailing
// arguments given one by one as Java source gives them: they are packed into the array the
// method declares, each converted as an element.
bool spread_accepted(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments, bool strict,
                     PreparedArguments &args, TavlinExPtr &refusal)
{
    try {
        const MethodFacts &facts = table.facts(env, index);
        const int fixed = static_cast<int>(facts.parameters.size()) - 1;
        args.resize(fixed + 1);
        convert_leading(env, facts, arguments, fixed, strict ? Strictness::All : Strictness::None, args);
        SafeArrayHolder trailing = packed(arguments, fixed);
        convert_safe_array(env, trailing.get(), VT_VARIANT, args, fixed, facts.parameter_type(fixed), strict,
                           VariantElements::AsArguments);
        return true;
    } catch (TavlinEx *error) {
        args.release();
        refusal.reset(refusal_of_candidate(error));
        return false;
    }
}

// The name's members from `index` on that can take `count` arguments spread, in the order of
// their signatures: those declared with variable arguments and no more fixed parameters than
// that. One whose facts cannot be read is not among them; its error is kept in `refusal`.
std::vector<int> spread_candidates(JNIEnv *env, const MethodTable &table, int index, int count, TavlinExPtr &refusal)
{
    std::vector<int> candidates;
    for (int member : overloads_in_signature_order(env, table, index)) {
        try {
            const MethodFacts &facts = table.facts(env, member);
            if (facts.takes_variable_arguments && static_cast<int>(facts.parameters.size()) - 1 <= count)
                candidates.push_back(member);
        } catch (TavlinEx *error) {
            refusal.reset(refusal_of_candidate(error));
        }
    }
    return candidates;
}

// The most specific of the name's members that takes the arguments spread, signature order
// between equally specific ones; -1 when none does, with the last refusal in `refusal`. The
// members are compared one position past the arguments, where both take the element of their
// array, so that (String...) is more specific than (Object...) for any count.
int choose_spread(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                  PreparedArguments &args, TavlinExPtr &refusal)
{
    const bool strict = table.next_overload(env, index) != -1;
    std::vector<int> candidates = spread_candidates(env, table, index, arguments.size(), refusal);
    most_specific_first(candidates.begin(), candidates.end(), [&](int a, int b) {
        return as_specific(env, table.facts(env, a), table.facts(env, b), arguments.size() + 1,
                           &MethodFacts::spread_type);
    });
    for (int candidate : candidates)
        if (spread_accepted(env, table, candidate, arguments, strict, args, refusal)) return candidate;
    return -1;
}

}  // namespace

// Arguments are spread into a declared variable-arguments array only when no member takes
// them as they are, so no call that succeeded without spreading changes its choice.
int choose_method(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                  PreparedArguments &args)
{
    try {
        return choose_as_given(env, table, index, arguments, args);
    } catch (TavlinEx *caught) {
        TavlinExPtr refusal(refusal_of_candidate(caught)), spread_refusal;
        const int spread = choose_spread(env, table, index, arguments, args, spread_refusal);
        if (spread != -1) return spread;
        throw(spread_refusal ? spread_refusal : refusal).release();
    }
}

}  // namespace tavlin
