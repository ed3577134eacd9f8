// The choice among a name's overloads (or a class's constructors) for the arguments of one
// call: the closest that takes the arguments as they are, table order only where none does.
#include "bridge/overload_choice.h"

#include <algorithm>
#include <vector>

#include "convert/argument_fit.h"
#include "convert/com_to_java.h"
#include "javaref/tavlin_ex.h"
#include "util/holders.h"

namespace tavlin {

CallArguments CallArguments::of(const DISPPARAMS *params)
{
    const int count = params ? static_cast<int>(params->cArgs) : 0;
    return count ? CallArguments(&params->rgvarg[count - 1], count, -1) : CallArguments(nullptr, 0, 1);
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

// Converts the first `count` arguments for the member's first `count` parameters.
void convert_leading(JNIEnv *env, const MethodFacts &facts, const CallArguments &arguments, int count, bool strict,
                     PreparedArguments &args)
{
    for (int i = 0; i < count; ++i) convert_com_to_java(env, arguments[i], args, i, facts.parameter_type(i), strict);
}

// A candidate's failure rules out that candidate; a failure of the VM itself (see
// TavlinEx::ends_the_call) is the call's, and no further candidate is tried for it.
TavlinEx *refusal_of_candidate(TavlinEx *error)
{
    if (error->ends_the_call()) throw error;
    return error;
}

// Converts the client's arguments for one candidate method.
void prepare_arguments(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments, bool strict,
                       PreparedArguments &args)
{
    const int count = arguments.size();
    if (!takes(env, table, index, count)) throw new TavlinEx("Invalid number of arguments.");
    try {
        convert_leading(env, table.facts(env, index), arguments, count, strict, args);
    } catch (TavlinEx *) {
        args.release();
        throw;
    }
}

// A candidate that cannot take the arguments, seen without converting any: the wrong
// number of them, or one that the conversion refuses outright.
bool passed_over(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments, bool strict)
{
    const int count = arguments.size();
    if (!takes(env, table, index, count)) return true;
    const MethodFacts &facts = table.facts(env, index);
    for (int i = 0; i < count; ++i)
        if (refused_outright(arguments[i], facts.parameter_type(i), strict)) return true;
    return false;
}

// Prepares the arguments for one candidate of a walk. Anything that fails for it, reading
// its reflection facts included, is that candidate's refusal, kept in `refusal`. With
// `look_first`, a candidate that the conversion would plainly refuse is passed over without
// building the error; the walk's last candidate is always converted, so that its error is
// the one reported, and the closest candidates were looked at already.
bool accepted(JNIEnv *env, const MethodTable &table, int index, bool look_first, bool strict,
              const CallArguments &arguments, PreparedArguments &args, TavlinExPtr &refusal)
{
    try {
        if (look_first && passed_over(env, table, index, arguments, strict)) return false;
        prepare_arguments(env, table, index, arguments, strict, args);
        return true;
    } catch (TavlinEx *error) {
        refusal.reset(refusal_of_candidate(error));
        return false;
    }
}

// A candidate of an overloaded name and how closely the call's arguments fit it: the worst
// single fit first, then their sum; ties go to table order.
struct Candidate {
    int index;
    int worst;
    int total;
    // The fits already vouch for every scalar, so they are converted as a lone method's
    // would be (a currency into a double); the elements of an array were not looked at.
    bool strict;
    bool operator<(const Candidate &other) const
    {
        if (worst != other.worst) return worst < other.worst;
        if (total != other.total) return total < other.total;
        return index < other.index;
    }
};

// Whether every argument fits the candidate without loss or a change of kind, and how closely.
bool fits(JNIEnv *env, const MethodTable &table, int index, const std::vector<ArgumentProfile> &arguments,
          Candidate &candidate)
{
    const int count = static_cast<int>(arguments.size());
    if (!takes(env, table, index, count)) return false;
    const MethodFacts &facts = table.facts(env, index);
    candidate = Candidate{index, 0, 0, false};
    for (int i = 0; i < count; ++i) {
        int fit = argument_fit(env, arguments[i], facts.parameter_type(i));
        if (fit == kRefused) return false;
        if (arguments[i].kind == ArgumentProfile::Kind::Array) candidate.strict = true;
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
    return candidates;
}

// An overloaded name is resolved by closeness first: the candidate that takes every
// argument without loss and without changing its kind, the closest of them (so Math.max(2.5,
// 1.5) is max(double, double) whatever the table order). Only when none qualifies are the
// overloads walked in table order, each converted under the strict rule, and the first that
// accepts is taken; then only the last candidate's error is reported.
int choose_overload(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                    PreparedArguments &args)
{
    TavlinExPtr refusal;
    for (const Candidate &candidate : closest_candidates(env, table, index, arguments))
        if (accepted(env, table, candidate.index, false, candidate.strict, arguments, args, refusal))
            return candidate.index;
    for (int next = table.next_overload(env, index);; index = next, next = table.next_overload(env, index)) {
        if (accepted(env, table, index, next != -1, true, arguments, args, refusal)) return index;
        if (next == -1) throw refusal.release();
    }
}

// A name with a single method converts as far as the platform's coercion allows.
int choose_as_given(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                    PreparedArguments &args)
{
    if (table.next_overload(env, index) != -1) return choose_overload(env, table, index, arguments, args);
    prepare_arguments(env, table, index, arguments, false, args);
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
// method declares, each converted as an element. False when the method takes no variable
// arguments or more fixed ones than the call has.
bool spread_accepted(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments, bool strict,
                     PreparedArguments &args, TavlinExPtr &refusal)
{
    try {
        const MethodFacts &facts = table.facts(env, index);
        const int fixed = static_cast<int>(facts.parameters.size()) - 1;
        if (!facts.takes_variable_arguments || arguments.size() < fixed) return false;
        args.resize(fixed + 1);
        convert_leading(env, facts, arguments, fixed, strict, args);
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

// The first of the name's members, in table order, that takes the arguments spread; -1 when
// none does, with the last refusal in `refusal`.
int choose_spread(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                  PreparedArguments &args, TavlinExPtr &refusal)
{
    const bool strict = table.next_overload(env, index) != -1;
    for (; index != -1; index = table.next_overload(env, index))
        if (spread_accepted(env, table, index, arguments, strict, args, refusal)) return index;
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
